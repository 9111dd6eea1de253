#pragma once
// Comparing texts without regard to letter case, as Windows compares file names: capital and
// small letters of Latin (with Latin-1 and Latin Extended-A), Greek and Cyrillic are one.
// Keywords and identifiers that are ASCII by definition use the cheaper AsciiToLower instead.

#include <string_view>

namespace vx {

char16_t FoldNonAsciiLetterCase(char16_t c);

// The small letter of a capital one of the scripts above; any other character unchanged.
// Inline for ASCII, which most names are.
inline char16_t FoldLetterCase(char16_t c) {
    if (c < 0x80) {
        return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 0x20) : c;
    }
    return FoldNonAsciiLetterCase(c);
}
// Negative, zero or positive, comparing the folded characters one by one (a prefix first).
int CompareIgnoringCase(std::u16string_view a, std::u16string_view b);
bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b);

} // namespace vx
