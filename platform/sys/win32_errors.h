#pragma once
// Win32 error codes, with Windows' own values, that the platform layer and the installer
// engine report. Callers compare against these exactly as they would on Windows.

#include <cstdint>

namespace vx {

using Win32Error = uint32_t;

inline constexpr Win32Error ERROR_SUCCESS = 0;
inline constexpr Win32Error ERROR_FILE_NOT_FOUND = 2;
inline constexpr Win32Error ERROR_PATH_NOT_FOUND = 3;
inline constexpr Win32Error ERROR_TOO_MANY_OPEN_FILES = 4;
inline constexpr Win32Error ERROR_ACCESS_DENIED = 5;
inline constexpr Win32Error ERROR_INVALID_HANDLE = 6;
inline constexpr Win32Error ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr Win32Error ERROR_INVALID_DATA = 13;
inline constexpr Win32Error ERROR_OUTOFMEMORY = 14;
inline constexpr Win32Error ERROR_NOT_READY = 21;
inline constexpr Win32Error ERROR_WRITE_FAULT = 29;
inline constexpr Win32Error ERROR_READ_FAULT = 30;
inline constexpr Win32Error ERROR_SHARING_VIOLATION = 32;
inline constexpr Win32Error ERROR_LOCK_VIOLATION = 33;
inline constexpr Win32Error ERROR_HANDLE_EOF = 38;
inline constexpr Win32Error ERROR_NEGATIVE_SEEK = 131;
inline constexpr Win32Error ERROR_NOT_SUPPORTED = 50;
inline constexpr Win32Error ERROR_FILE_EXISTS = 80;
inline constexpr Win32Error ERROR_INVALID_PARAMETER = 87;
inline constexpr Win32Error ERROR_OPEN_FAILED = 110;
inline constexpr Win32Error ERROR_DISK_FULL = 112;
inline constexpr Win32Error ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr Win32Error ERROR_INVALID_NAME = 123;
inline constexpr Win32Error ERROR_MOD_NOT_FOUND = 126;
inline constexpr Win32Error ERROR_PROC_NOT_FOUND = 127;
inline constexpr Win32Error ERROR_DIR_NOT_EMPTY = 145;
inline constexpr Win32Error ERROR_BAD_PATHNAME = 161;
inline constexpr Win32Error ERROR_ALREADY_EXISTS = 183;
inline constexpr Win32Error ERROR_BAD_EXE_FORMAT = 193;
inline constexpr Win32Error ERROR_FILENAME_EXCED_RANGE = 206;
inline constexpr Win32Error ERROR_MORE_DATA = 234;
inline constexpr Win32Error ERROR_NO_MORE_ITEMS = 259;
inline constexpr Win32Error ERROR_DIRECTORY = 267;
inline constexpr Win32Error ERROR_NOT_FOUND = 1168;
inline constexpr Win32Error ERROR_FILE_INVALID = 1006;
inline constexpr Win32Error ERROR_INVALID_DATATYPE = 1804;
inline constexpr Win32Error ERROR_RESOURCE_DATA_NOT_FOUND = 1812;
inline constexpr Win32Error ERROR_RESOURCE_TYPE_NOT_FOUND = 1813;
inline constexpr Win32Error ERROR_INVALID_FLAGS = 1004;

// Windows Installer codes.
inline constexpr Win32Error ERROR_INSTALL_FAILURE = 1603;
inline constexpr Win32Error ERROR_UNKNOWN_PROPERTY = 1608;
inline constexpr Win32Error ERROR_INVALID_HANDLE_STATE = 1609;
inline constexpr Win32Error ERROR_BAD_QUERY_SYNTAX = 1615;
inline constexpr Win32Error ERROR_INVALID_FIELD = 1616;
inline constexpr Win32Error ERROR_INSTALL_PACKAGE_OPEN_FAILED = 1619;
inline constexpr Win32Error ERROR_INSTALL_PACKAGE_INVALID = 1620;
inline constexpr Win32Error ERROR_FUNCTION_NOT_CALLED = 1626;
inline constexpr Win32Error ERROR_FUNCTION_FAILED = 1627;
inline constexpr Win32Error ERROR_INVALID_TABLE = 1628;
inline constexpr Win32Error ERROR_DATATYPE_MISMATCH = 1629;
inline constexpr Win32Error ERROR_UNSUPPORTED_TYPE = 1630;
inline constexpr Win32Error ERROR_CREATE_FAILED = 1631;

// The calling thread's last error, as GetLastError/SetLastError keep it on Windows.
Win32Error GetLastError();
void SetLastError(Win32Error code);

// Maps a C library errno value onto the Win32 code Windows would report for the same failure.
Win32Error Win32ErrorFromErrno(int error);

} // namespace vx
