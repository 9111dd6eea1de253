#include "platform/sys/wide_string.h"

#include <gtest/gtest.h>

using namespace vx;

TEST(WideString, RoundTripsEveryPlane) {
    const std::u16string text = u"A\u00e9\u4e2d\U0001F600z";
    EXPECT_EQ(Utf16ToUtf8(text), "A\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80z");
    EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
}

TEST(WideString, DamagedInputBecomesReplacementCharacters) {
    EXPECT_EQ(Utf8ToUtf16("a\xFF"
                          "b"),
              u"a\uFFFDb");
    EXPECT_EQ(Utf8ToUtf16("\xE4\xB8"), u"\uFFFD");           // truncated sequence
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD");           // overlong form
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD");       // encoded surrogate
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, 0xD800)), "\xEF\xBF\xBD"); // lone surrogate
}

TEST(WideString, AsciiCaseFoldingLeavesOtherLettersAlone) {
    EXPECT_TRUE(EqualsIgnoreAsciiCase(u"TargetDir", u"TARGETDIR"));
    EXPECT_FALSE(EqualsIgnoreAsciiCase(u"\u00c9", u"\u00e9"));
    EXPECT_FALSE(EqualsIgnoreAsciiCase(u"abc", u"abcd"));
}
