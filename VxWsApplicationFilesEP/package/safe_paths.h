#pragma once
// Names and relative paths taken from a package become paths on this machine only through these
// checks, so that no value in a package (a Cabinet, a stream name, a File key, a folder or file
// name) can place a file outside the folder it is joined to: ".." segments, absolute paths,
// drives and separators inside single names are refused with a clear error.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vx {

// A name that stays in the folder it is joined to: not empty, not "." or "..", and holding
// neither '/' nor '\' nor a zero.
bool IsPlainFileName(std::u16string_view name);

// The segments of a relative path written with '\' (or '/'), without empty and "." segments;
// nullopt for a path that would leave its base: one beginning with a separator, one with a
// drive ("C:"), or one with a ".." segment.
std::optional<std::vector<std::u16string>> RelativeSegments(std::u16string_view path);

// `base` joined with each segment by '/'. Windows names ignore letter case: where a segment does
// not exist exactly but the folder holds one entry that matches it without regard to letter
// case, that entry's name is taken; otherwise the segment is kept as written.
std::u16string JoinMatchingCase(std::u16string base, const std::vector<std::u16string>& segments);

// Throws CComException with HRESULT_FROM_WIN32(ERROR_INVALID_NAME) and `description`.
[[noreturn]] void ThrowUnsafePath(const std::u16string& description);

} // namespace vx
