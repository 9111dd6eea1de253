#include "platform/sys/letter_case.h"

#include <unicode/uchar.h>

namespace vx {

char32_t FoldNonAsciiLetterCase(char32_t c) {
    return static_cast<char32_t>(u_foldCase(static_cast<UChar32>(c), U_FOLD_CASE_DEFAULT));
}

namespace {

// From the first position where either text holds a character beyond ASCII.
int CompareFoldedCharacters(std::u16string_view a, std::u16string_view b) {
    size_t i = 0;
    size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const char32_t x = FoldLetterCase(NextCharacter(a, i));
        const char32_t y = FoldLetterCase(NextCharacter(b, j));
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    if (i < a.size()) {
        return 1;
    }
    return j < b.size() ? -1 : 0;
}

} // namespace

int CompareIgnoringCase(std::u16string_view a, std::u16string_view b) {
    // Names are mostly ASCII, and sorting and matching compare them all the time: while both
    // texts are ASCII, characters are compared in place, without the folding tables. (Both must
    // be: a character beyond ASCII can fold into it, U+212A KELVIN SIGN to "k".)
    const size_t common = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < common; ++i) {
        const char16_t x = a[i];
        const char16_t y = b[i];
        if ((x | y) >= 0x80) {
            return CompareFoldedCharacters(a.substr(i), b.substr(i));
        }
        if (x != y) {
            const char32_t fx = FoldLetterCase(x);
            const char32_t fy = FoldLetterCase(y);
            if (fx != fy) {
                return fx < fy ? -1 : 1;
            }
        }
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b) {
    // Simple folding keeps every character in its plane, so equal texts have equal lengths.
    return a.size() == b.size() && CompareIgnoringCase(a, b) == 0;
}

} // namespace vx
