#pragma once
// UTF-16 is the string form of the whole core; these convert at the boundaries
// (file names for the C library, terminal output, Qt is converted by Qt itself).

#include <string>
#include <string_view>

namespace vx {

// Invalid sequences become U+FFFD; conversion never fails.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// ASCII-only case folding, which is what Windows file-name and keyword comparisons need here.
char16_t AsciiToLower(char16_t c);
bool EqualsIgnoreAsciiCase(std::u16string_view a, std::u16string_view b);

} // namespace vx
