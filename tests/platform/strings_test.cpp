// The string helpers: UTF-8 and UTF-16, format strings, path pieces and lists.

#include "platform/sys/format_string.h"
#include "platform/sys/path_strings.h"
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
    EXPECT_EQ(Utf8ToUtf16("\xE4\xB8"), u"\uFFFD");                     // truncated sequence
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD");                     // overlong form
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD");                 // encoded surrogate
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, 0xD800)), "\xEF\xBF\xBD"); // lone surrogate
}

TEST(WideString, AsciiCaseFoldingLeavesOtherLettersAlone) {
    EXPECT_TRUE(EqualsIgnoreAsciiCase(u"TargetDir", u"TARGETDIR"));
    EXPECT_FALSE(EqualsIgnoreAsciiCase(u"\u00c9", u"\u00e9"));
    EXPECT_FALSE(EqualsIgnoreAsciiCase(u"abc", u"abcd"));
}

TEST(FormatString, FormatsTheCallTemplatesOfTheErrorPath) {
    EXPECT_EQ(FormatString(u"%s%s()", u"msg\n", u"MsiViewExecute"), u"msg\nMsiViewExecute()");
    EXPECT_EQ(FormatString(u"%s%s(%s, %s)", u"", u"Api", u"a", u"b"), u"Api(a, b)");
    EXPECT_EQ(FormatString(u"[%s]", std::u16string(u"ProgramFilesFolder")),
              u"[ProgramFilesFolder]");
}

TEST(FormatString, HasNoFixedLimit) {
    const std::u16string big(100000, u'x');
    const auto text = FormatString(u"<%s>%d", big, 7);
    ASSERT_EQ(text.size(), big.size() + 3);
    EXPECT_EQ(text.front(), u'<');
    EXPECT_EQ(text.substr(text.size() - 2), u">7");
}

TEST(FormatString, IntegersSignsWidthsAndHex) {
    EXPECT_EQ(FormatString(u"%d|%i|%u", -42, 17, 4000000000u), u"-42|17|4000000000");
    EXPECT_EQ(FormatString(u"%d", INT64_MIN), u"-9223372036854775808");
    EXPECT_EQ(FormatString(u"%08X", 0x80070005u), u"80070005");
    EXPECT_EQ(FormatString(u"0x%08x", -2147024891), u"0x80070005");
    EXPECT_EQ(FormatString(u"%5d|%-5d|%05d", 42, 42, -42), u"   42|42   |-0042");
    EXPECT_EQ(FormatString(u"%.3s|%4s", u"abcdef", u"ab"), u"abc|  ab");
    EXPECT_EQ(FormatString(u"%ls %lu %lld", u"w", 3ul, 5ll), u"w 3 5");
}

TEST(FormatString, OddFormatsStayVisibleInsteadOfCrashing) {
    EXPECT_EQ(FormatString(u"100%%"), u"100%");
    EXPECT_EQ(FormatString(u"%s and %s", u"one"), u"one and ");
    EXPECT_EQ(FormatString(u"%q"), u"%q");
    EXPECT_EQ(FormatString(u"tail %"), u"tail %");
    EXPECT_EQ(FormatString(u"%d", u"7"), u"7");
    EXPECT_EQ(FormatString(u"%s", 12), u"12");
    const char16_t* nothing = nullptr;
    EXPECT_EQ(FormatString(u"[%s]", nothing), u"[]");
}

TEST(LongName, TakesTextAfterFirstBarOnlyWhenBarIsNotFirst) {
    EXPECT_EQ(LongName(u"A|Long name"), u"Long name");
    EXPECT_EQ(LongName(u"|x"), u"|x");
    EXPECT_EQ(LongName(u"plain"), u"plain");
    EXPECT_EQ(LongName(u"a|b|c"), u"b|c");
    EXPECT_EQ(LongName(u"a|"), u"");
    EXPECT_EQ(LongName(u""), u"");
}

TEST(AppendPathSegment, PutsExactlyOneSeparatorBetweenPieces) {
    struct Case {
        std::u16string path, piece, expected;
    } cases[] = {
        {u"", u"a", u"\\a"},
        {u"a\\", u"\\b", u"a\\b"},
        {u"a", u"", u"a"},
        {u"a", u"b", u"a\\b"},
        {u"a\\", u"b", u"a\\b"},
        {u"a", u"\\b", u"a\\b"},
        {u"", u"", u""},
        {u"", u"\\a", u"\\a"},
        {u"a\\", u"", u"a\\"},
        {u"a\\", u"\\\\b", u"a\\\\b"}, // only one leading separator is dropped
    };
    for (const auto& c : cases) {
        std::u16string path = c.path;
        AppendPathSegment(path, c.piece);
        EXPECT_EQ(path, c.expected);
    }
}

TEST(AppendPathSegment, NativeSeparatorLeavesBackslashesAlone) {
    std::u16string path = u"/opt/pkg";
    AppendPathSegment(path, u"disk1\\Data1.cab", kNativeSeparator);
    EXPECT_EQ(path, u"/opt/pkg/disk1\\Data1.cab");
    path = u"/";
    AppendPathSegment(path, u"/tmp", kNativeSeparator);
    EXPECT_EQ(path, u"/tmp");
}

TEST(SplitString, KeepsInnerEmptyPiecesButNotATrailingOne) {
    auto split = [](std::u16string_view text, bool skipEmpty) {
        std::vector<std::u16string> out;
        SplitString(text, u'.', skipEmpty, out);
        return out;
    };
    using V = std::vector<std::u16string>;
    EXPECT_EQ(split(u"1.2.3", false), (V{u"1", u"2", u"3"}));
    EXPECT_EQ(split(u"1..2", false), (V{u"1", u"", u"2"}));
    EXPECT_EQ(split(u"1..2", true), (V{u"1", u"2"}));
    EXPECT_EQ(split(u"1.2.", false), (V{u"1", u"2"}));
    EXPECT_EQ(split(u"", false), (V{u""}));
    EXPECT_EQ(split(u"", true), V{});
    EXPECT_EQ(split(u".1", false), (V{u"", u"1"}));
    EXPECT_EQ(split(u".", false), (V{u""}));
    EXPECT_EQ(split(u"..", true), V{});
}

TEST(SplitString, AppendsToWhatTheListAlreadyHolds) {
    std::vector<std::u16string> out{u"x"};
    SplitString(u"a;b", u';', false, out);
    EXPECT_EQ(out, (std::vector<std::u16string>{u"x", u"a", u"b"}));
}
