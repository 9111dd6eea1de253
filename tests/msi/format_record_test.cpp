#include "platform/msi/format_record.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>

using namespace vx::msi;

namespace {

// A record: field 0 is the template, missing fields are null.
struct Record {
    std::u16string templ;
    std::map<unsigned, std::u16string> fields;
    unsigned count = 0;

    std::u16string Format() const {
        return FormatRecordText(
            templ,
            [this](unsigned n) -> std::optional<std::u16string> {
                EXPECT_LE(n, count) << "asked for a field beyond the record";
                if (n == 0) {
                    return templ;
                }
                const auto it = fields.find(n);
                return it == fields.end() ? std::nullopt : std::optional(it->second);
            },
            count);
    }
};

std::u16string Format(std::u16string templ, std::map<unsigned, std::u16string> fields = {},
                      unsigned count = 5) {
    return Record{std::move(templ), std::move(fields), count}.Format();
}

} // namespace

TEST(FormatRecordFields, ReferencesAreReplacedByFieldText) {
    EXPECT_EQ(Format(u"a[1]b[2]c", {{1, u"X"}, {2, u"YY"}}), u"aXbYYc");
    EXPECT_EQ(Format(u"[2][2][1]", {{1, u"x"}, {2, u"y"}}), u"yyx");
    EXPECT_EQ(Format(u"[01]", {{1, u"x"}}), u"x"); // decimal, leading zeros allowed
    EXPECT_EQ(Format(u"no references"), u"no references");
    EXPECT_EQ(Format(u""), u"");
}

TEST(FormatRecordFields, NullEmptyAndOutOfRangeFieldsGiveNoText) {
    EXPECT_EQ(Format(u"<[1]>"), u"<>");
    EXPECT_EQ(Format(u"<[1]>", {{1, u""}}), u"<>");
    EXPECT_EQ(Format(u"<[6]>", {{6, u"beyond"}}, 5), u"<>");
    EXPECT_EQ(Format(u"<[99999999999999999999999]>", {}, 5), u"<>");
    EXPECT_EQ(Format(u"<[18446744073709551617]>", {{1, u"x"}}, 5), u"<>"); // 2^64 + 1
    EXPECT_EQ(Format(u"<[4294967295]>", {}, 0xFFFFFFFFu), u"<>");
}

TEST(FormatRecordFields, FieldZeroIsTheTemplateAndIsNotFormattedAgain) {
    EXPECT_EQ(Format(u"(x[0])"), u"(x(x[0]))");
}

TEST(FormatRecordFields, FieldTextIsInsertedLiterally) {
    EXPECT_EQ(Format(u"[1]", {{1, u"[2]{[3]}"}, {2, u"no"}}), u"[2]{[3]}");
    EXPECT_EQ(Format(u"{[1]}", {{1, u"}"}}), u"}");
}

TEST(FormatRecordGroups, InstallerErrorTemplate) {
    const std::u16string templ = u"Windows Installer Error [1]: [2]{, [3]}{, [4]}{, [5]}\n";
    EXPECT_EQ(Format(templ, {{1, u"2228"}, {2, u"C:\\a.msi"}, {3, u"File"}}),
              u"Windows Installer Error 2228: C:\\a.msi, File\n");
    EXPECT_EQ(Format(templ, {{1, u"2228"}, {2, u"C:\\a.msi"}, {4, u"Four"}}),
              u"Windows Installer Error 2228: C:\\a.msi, Four\n");
    EXPECT_EQ(Format(templ, {{1, u"1"}, {2, u"2"}, {3, u"3"}, {4, u"4"}, {5, u"5"}}),
              u"Windows Installer Error 1: 2, 3, 4, 5\n");
}

TEST(FormatRecordGroups, ShownOnlyWhenEveryReferenceResolves) {
    EXPECT_EQ(Format(u"{[1] and [2]}", {{1, u"a"}, {2, u"b"}}), u"a and b");
    EXPECT_EQ(Format(u"<{[1] and [2]}>", {{1, u"a"}}), u"<>");
    EXPECT_EQ(Format(u"<{[1] and [2]}>", {{1, u"a"}, {2, u""}}), u"<>");
    EXPECT_EQ(Format(u"<{[1] and [2]}>"), u"<>");
    EXPECT_EQ(Format(u"<{[9]}>", {}, 5), u"<>");
}

TEST(FormatRecordGroups, GroupsWithoutFieldReferencesKeepTheirBraces) {
    EXPECT_EQ(Format(u"{plain text}"), u"{plain text}");
    EXPECT_EQ(Format(u"{}"), u"{}");
    EXPECT_EQ(Format(u"{[Property]}"), u"{[Property]}");
    EXPECT_EQ(Format(u"{a}[1]{b}", {{1, u"x"}}), u"{a}x{b}");
}

TEST(FormatRecordGroups, NestedGroupsDecideOnTheirOwnReferences) {
    const std::u16string templ = u"<{a[1]{ b[2]} c}>";
    EXPECT_EQ(Format(templ, {{1, u"1"}, {2, u"2"}}), u"<a1 b2 c>");
    EXPECT_EQ(Format(templ, {{1, u"1"}}), u"<a1 c>");
    EXPECT_EQ(Format(templ, {{2, u"2"}}), u"<>");
    // An outer group whose references all sit in inner groups is shown without braces.
    EXPECT_EQ(Format(u"<{x{[1]}}>", {{1, u"1"}}), u"<x1>");
    EXPECT_EQ(Format(u"<{x{[1]}}>"), u"<x>");
    EXPECT_EQ(Format(u"<{{{[1]}}}>", {{1, u"deep"}}), u"<deep>");
}

TEST(FormatRecordBrackets, NestedBracketsResolveFromTheInsideOut) {
    EXPECT_EQ(Format(u"[[1]]", {{1, u"3"}, {3, u"three"}}), u"three");
    EXPECT_EQ(Format(u"[[[1]]]", {{1, u"2"}, {2, u"3"}, {3, u"end"}}), u"end");
    // The inner field names something that is not a field: it stays a bracketed text.
    EXPECT_EQ(Format(u"[[1]]", {{1, u"Prop"}}), u"[Prop]");
    EXPECT_EQ(Format(u"[[1]]"), u"[]");
    EXPECT_EQ(Format(u"<{[[1]]}>", {{1, u"3"}}), u"<>");
    EXPECT_EQ(Format(u"<{[[1]]}>", {{1, u"3"}, {3, u"ok"}}), u"<ok>");
    EXPECT_EQ(Format(u"[{[1]}]", {{1, u"2"}, {2, u"two"}}), u"two");
}

TEST(FormatRecordBrackets, NonFieldFormsNeedAnInstallAndStayAsWritten) {
    for (const char16_t* templ :
         {u"[Property]", u"[%PATH]", u"[#file]", u"[$comp]", u"[!file]", u"[\\[]", u"[\\]]", u"[~]",
          u"[ 1]", u"[1 ]", u"[-1]", u"[+1]", u"[1a]", u"[]"}) {
        EXPECT_EQ(Format(templ, {{1, u"x"}}), templ);
    }
    EXPECT_EQ(Format(u"[\\[][1][\\]]", {{1, u"x"}}), u"[\\[]x[\\]]");
}

TEST(FormatRecordBrackets, UnbalancedBracketsAndBracesAreText) {
    EXPECT_EQ(Format(u"[1", {{1, u"x"}}), u"[1");
    EXPECT_EQ(Format(u"1]", {{1, u"x"}}), u"1]");
    EXPECT_EQ(Format(u"[[1]", {{1, u"x"}}), u"[x");
    EXPECT_EQ(Format(u"[1]]", {{1, u"x"}}), u"x]");
    EXPECT_EQ(Format(u"{[1]", {{1, u"x"}}), u"{x");
    EXPECT_EQ(Format(u"[1]}", {{1, u"x"}}), u"x}");
    EXPECT_EQ(Format(u"}{", {{1, u"x"}}), u"}{");
    // A stray opener inside a group is text, and its references still govern the group.
    EXPECT_EQ(Format(u"<{a[b[1]}>", {{1, u"x"}}), u"<a[bx>");
    EXPECT_EQ(Format(u"<{a[b[1]}>"), u"<>");
    // Crossing pairs: the first partner found closes, what lies between stays text.
    EXPECT_EQ(Format(u"{[}]", {{1, u"x"}}), u"{[}]");
    EXPECT_EQ(Format(u"[{]}", {{1, u"x"}}), u"[{]}");
}

TEST(FormatRecordLimits, DeepAndLongInputsStayLinear) {
    // 200,000 levels of nesting each way and a long field; a quadratic formatter would take
    // minutes here.
    const size_t depth = 200000;
    const std::u16string longText(1'000'000, u'x');
    const std::u16string deepGroups =
        std::u16string(depth, u'{') + u"[1]" + std::u16string(depth, u'}');
    const std::u16string deepBrackets =
        std::u16string(depth, u'[') + u"a" + std::u16string(depth, u']');
    const std::u16string strayOpeners = std::u16string(depth, u'{') + std::u16string(depth, u']');
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(Format(deepGroups, {{1, longText}}), longText);
    EXPECT_EQ(Format(deepGroups), u"");
    EXPECT_EQ(Format(deepBrackets), deepBrackets);
    EXPECT_EQ(Format(strayOpeners), strayOpeners);
    std::u16string manyRefs;
    for (int i = 0; i < 100000; ++i) {
        manyRefs += u"{[1]}";
    }
    EXPECT_EQ(Format(manyRefs, {{1, u"ab"}}).size(), 200000u);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
}
