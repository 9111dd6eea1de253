#include "platform/sys/format_string.h"

#include <gtest/gtest.h>

using namespace vx;

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
