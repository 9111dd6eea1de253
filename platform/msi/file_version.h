#pragma once
// The version and language of a Windows executable, read from its version resource, in the form
// the File table's Version and Language columns hold them. This is what MsiGetFileVersion answers.
//
// Only the headers, the resource directory and the version resource itself are read, so the
// cost does not grow with the size of the file. Damaged input is answered with an error code,
// never a crash, and no read is larger than the structure that asked for it: the largest are a
// section table of 65535 entries (2.5 MiB) and a resource directory of 131070 entries (1 MiB).

#include "platform/sys/win32_errors.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vx::msi {

struct FileVersionInfo {
    std::u16string version;  // "a.b.c.d" from VS_FIXEDFILEINFO's file version
    std::u16string language; // decimal language ids from VarFileInfo\Translation, "1033,1036"
};

// Answers, as MsiGetFileVersion does:
//   ERROR_SUCCESS         both texts filled (the language may be empty, see file_version.cpp)
//   ERROR_FILE_NOT_FOUND  no such file
//   ERROR_ACCESS_DENIED   the file cannot be opened or read
//   ERROR_FILE_INVALID    not a PE file, no version resource, or damaged headers or resource
//                         directory
//   ERROR_INVALID_DATA    a version resource was found but its contents are damaged
// On every failure `out` is left with empty texts.
Win32Error ReadFileVersion(std::u16string_view path, FileVersionInfo& out);
Win32Error ReadFileVersion(std::span<const uint8_t> bytes, FileVersionInfo& out);

} // namespace vx::msi
