#pragma once
// Helpers for installer names (short|long) and for joining path pieces. Target paths keep the
// backslash; paths on this machine use '/'. The separator is therefore a parameter.

#include <string>
#include <string_view>
#include <vector>

namespace vx {

inline constexpr char16_t kTargetSeparator = u'\\';
inline constexpr char16_t kNativeSeparator = u'/';

// The text after the first '|' when '|' stands after position 0; otherwise the whole name.
std::u16string LongName(std::u16string_view name);

// Appends `piece` to `path` with exactly one separator between them. An empty path and "a" give
// "\a"; "a\" and "\b" give "a\b"; "a" and an empty piece give "a".
void AppendPathSegment(std::u16string& path, std::u16string_view piece,
                       char16_t separator = kTargetSeparator);

// Appends the pieces between delimiters to `out`. Pieces between two delimiters are kept even
// when empty unless skipEmpty; the piece after the last delimiter only when non-empty; an empty
// text gives one empty piece unless skipEmpty.
void SplitString(std::u16string_view text, char16_t delimiter, bool skipEmpty,
                 std::vector<std::u16string>& out);

} // namespace vx
