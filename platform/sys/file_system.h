#pragma once
// File-system questions and changes on this machine, in UTF-16 paths with '/' separators.
// Functions answer false on failure and leave the reason in GetLastError(), as Windows does.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vx {

inline constexpr uint32_t INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;
inline constexpr uint32_t FILE_ATTRIBUTE_READONLY = 0x01;
inline constexpr uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;

// FILE_ATTRIBUTE_* bits, or INVALID_FILE_ATTRIBUTES when the path does not exist.
uint32_t GetFileAttributes(std::u16string_view path);
// True for a file or a folder, as the path tests of the service loader need.
bool PathExists(std::u16string_view path);
bool IsDirectory(std::u16string_view path);
std::optional<uint64_t> GetFileSize(std::u16string_view path);

bool DeleteFile(std::u16string_view path);
bool RemoveDirectory(std::u16string_view path);
// Creates the folder and any missing parents; an existing folder is success.
bool CreateDirectories(std::u16string_view path);

// The temporary folder ($TMPDIR or /tmp), ending in '/'.
std::u16string GetTempPath();
std::u16string GetCurrentDirectory();
bool SetCurrentDirectory(std::u16string_view path);

// The folder part of a native path, without its final '/'; empty when the path has no folder.
std::u16string ParentFolder(std::u16string_view path);
// True for "/" (the only root on this machine).
bool IsRootFolder(std::u16string_view path);

} // namespace vx
