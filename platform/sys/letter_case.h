#pragma once
// Comparing texts without regard to letter case, as Windows compares file names: capital and
// small letters of Latin (with Latin-1 and Latin Extended-A), Greek and Cyrillic are one.
// Keywords and identifiers that are ASCII by definition use the cheaper AsciiToLower instead.

#include <string_view>

namespace vx {

// The small letter of a capital one of the scripts above; any other character unchanged.
char16_t FoldLetterCase(char16_t c);
// Negative, zero or positive, comparing the folded characters one by one (a prefix first).
int CompareIgnoringCase(std::u16string_view a, std::u16string_view b);
bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b);

} // namespace vx
