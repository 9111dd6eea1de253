#pragma once
// Comparing texts without regard to letter case, as Windows compares file names. Each character
// stands for its simple case folding (Unicode's one-to-one folding, as ICU gives it): capital
// and small letters of every script are one (U+0178 with U+00FF, Greek capitals with accents
// with their small letters, final sigma with sigma). A surrogate pair is one character; a lone
// surrogate is itself.
// Keywords and identifiers that are ASCII by definition use the cheaper AsciiToLower instead.

#include <cstddef>
#include <string_view>

namespace vx {

char32_t FoldNonAsciiLetterCase(char32_t c);

// The simple case folding of one character. Inline for ASCII, which most names are.
inline char32_t FoldLetterCase(char32_t c) {
    if (c < 0x80) {
        return (c >= U'A' && c <= U'Z') ? c + 0x20 : c;
    }
    return FoldNonAsciiLetterCase(c);
}

// The character at text[i] (a whole surrogate pair when one starts there); moves i past it.
inline char32_t NextCharacter(std::u16string_view text, size_t& i) {
    const char16_t unit = text[i++];
    if (unit >= 0xD800 && unit < 0xDC00 && i < text.size() && text[i] >= 0xDC00 &&
        text[i] < 0xE000) {
        const char16_t low = text[i++];
        return 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
               (static_cast<char32_t>(low) - 0xDC00);
    }
    return unit;
}

// Calls visit(c) with each character of `text` folded, in order: what a hash that agrees with
// EqualsIgnoringCase reads.
template <class Visit> void ForEachFoldedCharacter(std::u16string_view text, Visit&& visit) {
    for (size_t i = 0; i < text.size();) {
        if (const char16_t unit = text[i]; unit < 0x80) {
            visit(FoldLetterCase(unit));
            ++i;
        } else {
            visit(FoldNonAsciiLetterCase(NextCharacter(text, i)));
        }
    }
}

// Negative, zero or positive, comparing the folded characters one by one (a prefix first).
int CompareIgnoringCase(std::u16string_view a, std::u16string_view b);
bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b);

} // namespace vx
