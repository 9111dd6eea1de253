// Record formatting as the installer does it for field references: [n], {groups}, nested
// brackets, and text that is left as written.

#include "platform/msi/format_record.h"
#include "platform/sys/wide_string.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>

using namespace vx::msi;

namespace {

// Formats `templ` as field 0 of a record of `count` fields; missing fields are null.
std::u16string Format(const std::u16string& templ,
                      const std::map<unsigned, std::u16string>& fields = {}, unsigned count = 5) {
    return FormatRecordText(
        templ,
        [&](unsigned n) -> std::optional<std::u16string> {
            EXPECT_LE(n, count) << "asked for a field beyond the record";
            if (n == 0) {
                return templ;
            }
            const auto it = fields.find(n);
            return it == fields.end() ? std::nullopt : std::optional(it->second);
        },
        count);
}

struct Case {
    std::u16string templ;
    std::map<unsigned, std::u16string> fields;
    std::u16string expected;
    unsigned count = 5;
};

const std::u16string kErrorTemplate = u"Windows Installer Error [1]: [2]{, [3]}{, [4]}{, [5]}\n";

const Case kCases[] = {
    // References are replaced by field text, in decimal with leading zeros allowed.
    {u"a[1]b[2]c", {{1, u"X"}, {2, u"YY"}}, u"aXbYYc"},
    {u"[2][2][1]", {{1, u"x"}, {2, u"y"}}, u"yyx"},
    {u"[01]", {{1, u"x"}}, u"x"},
    {u"no references", {}, u"no references"},
    {u"", {}, u""},
    // Null, empty and out-of-range fields give no text.
    {u"<[1]>", {}, u"<>"},
    {u"<[1]>", {{1, u""}}, u"<>"},
    {u"<[6]>", {{6, u"beyond"}}, u"<>"},
    {u"<[99999999999999999999999]>", {}, u"<>"},
    {u"<[18446744073709551617]>", {{1, u"x"}}, u"<>"}, // 2^64 + 1
    {u"<[4294967295]>", {}, u"<>", 0xFFFFFFFFu},
    // Field 0 is the template and is not formatted again; field text goes in literally.
    {u"(x[0])", {}, u"(x(x[0]))"},
    {u"[1]", {{1, u"[2]{[3]}"}, {2, u"no"}}, u"[2]{[3]}"},
    {u"{[1]}", {{1, u"}"}}, u"}"},
    // Groups are shown only when every reference in them resolves.
    {kErrorTemplate,
     {{1, u"2228"}, {2, u"C:\\a.msi"}, {3, u"File"}},
     u"Windows Installer Error 2228: C:\\a.msi, File\n"},
    {kErrorTemplate,
     {{1, u"2228"}, {2, u"C:\\a.msi"}, {4, u"Four"}},
     u"Windows Installer Error 2228: C:\\a.msi, Four\n"},
    {kErrorTemplate,
     {{1, u"1"}, {2, u"2"}, {3, u"3"}, {4, u"4"}, {5, u"5"}},
     u"Windows Installer Error 1: 2, 3, 4, 5\n"},
    {u"{[1] and [2]}", {{1, u"a"}, {2, u"b"}}, u"a and b"},
    {u"<{[1] and [2]}>", {{1, u"a"}}, u"<>"},
    {u"<{[1] and [2]}>", {{1, u"a"}, {2, u""}}, u"<>"},
    {u"<{[9]}>", {}, u"<>"},
    // Groups without field references keep their braces.
    {u"{plain text}", {}, u"{plain text}"},
    {u"{}", {}, u"{}"},
    {u"{[Property]}", {}, u"{[Property]}"},
    {u"{a}[1]{b}", {{1, u"x"}}, u"{a}x{b}"},
    // Nested groups decide on their own references; an outer group whose references all sit
    // in inner groups is shown without braces.
    {u"<{a[1]{ b[2]} c}>", {{1, u"1"}, {2, u"2"}}, u"<a1 b2 c>"},
    {u"<{a[1]{ b[2]} c}>", {{1, u"1"}}, u"<a1 c>"},
    {u"<{a[1]{ b[2]} c}>", {{2, u"2"}}, u"<>"},
    {u"<{x{[1]}}>", {{1, u"1"}}, u"<x1>"},
    {u"<{x{[1]}}>", {}, u"<x>"},
    {u"<{{{[1]}}}>", {{1, u"deep"}}, u"<deep>"},
    // Nested brackets resolve from the inside out; a name that is no field stays bracketed.
    {u"[[1]]", {{1, u"3"}, {3, u"three"}}, u"three"},
    {u"[[[1]]]", {{1, u"2"}, {2, u"3"}, {3, u"end"}}, u"end"},
    {u"[[1]]", {{1, u"Prop"}}, u"[Prop]"},
    {u"[[1]]", {}, u"[]"},
    {u"<{[[1]]}>", {{1, u"3"}}, u"<>"},
    {u"<{[[1]]}>", {{1, u"3"}, {3, u"ok"}}, u"<ok>"},
    {u"[{[1]}]", {{1, u"2"}, {2, u"two"}}, u"two"},
    // Forms that need an install stay as written.
    {u"[\\[][1][\\]]", {{1, u"x"}}, u"[\\[]x[\\]]"},
    // Unbalanced brackets and braces are text; a stray opener inside a group still lets the
    // group's references govern it; crossing pairs close at the first partner found.
    {u"[1", {{1, u"x"}}, u"[1"},
    {u"1]", {{1, u"x"}}, u"1]"},
    {u"[[1]", {{1, u"x"}}, u"[x"},
    {u"[1]]", {{1, u"x"}}, u"x]"},
    {u"{[1]", {{1, u"x"}}, u"{x"},
    {u"[1]}", {{1, u"x"}}, u"x}"},
    {u"}{", {{1, u"x"}}, u"}{"},
    {u"<{a[b[1]}>", {{1, u"x"}}, u"<a[bx>"},
    {u"<{a[b[1]}>", {}, u"<>"},
    {u"{[}]", {{1, u"x"}}, u"{[}]"},
    {u"[{]}", {{1, u"x"}}, u"[{]}"},
};

} // namespace

TEST(FormatRecord, EveryFormAsTheInstallerFormatsIt) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(vx::Utf16ToUtf8(c.templ));
        EXPECT_EQ(Format(c.templ, c.fields, c.count), c.expected);
    }
    for (const char16_t* templ :
         {u"[Property]", u"[%PATH]", u"[#file]", u"[$comp]", u"[!file]", u"[\\[]", u"[\\]]", u"[~]",
          u"[ 1]", u"[1 ]", u"[-1]", u"[+1]", u"[1a]", u"[]"}) {
        EXPECT_EQ(Format(templ, {{1, u"x"}}), templ);
    }
}

TEST(FormatRecord, DeepAndLongInputsStayLinear) {
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
