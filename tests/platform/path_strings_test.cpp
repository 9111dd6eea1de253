#include "platform/sys/path_strings.h"

#include <gtest/gtest.h>

using namespace vx;

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
        {u"", u"a", u"\\a"},        {u"a\\", u"\\b", u"a\\b"}, {u"a", u"", u"a"},
        {u"a", u"b", u"a\\b"},      {u"a\\", u"b", u"a\\b"},   {u"a", u"\\b", u"a\\b"},
        {u"", u"", u""},            {u"", u"\\a", u"\\a"},     {u"a\\", u"", u"a\\"},
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
