// Version and package comparison: which field differs decides between older/newer and
// "differs beyond the third"; field counts decide when all common fields agree.

#include "VxWsApplicationFilesEP/package/version_compare.h"
#include "platform/sys/wide_string.h"

#include <gtest/gtest.h>

using namespace vx;

namespace {
constexpr auto kEqual = VersionRelation::Equal;
constexpr auto kBeyondThird = VersionRelation::DiffersBeyondThird;
constexpr auto kOlder = VersionRelation::FirstOlder;
constexpr auto kNewer = VersionRelation::FirstNewer;
} // namespace

TEST(CompareVersions, EveryRuleOfTheComparison) {
    struct Case {
        const char16_t* first;
        const char16_t* second;
        VersionRelation expected;
    };
    const Case cases[] = {
        // The field that differs decides.
        {u"1.2.3.4", u"1.2.3.5", kBeyondThird},
        {u"1.2.3.5", u"1.2.3.4", kBeyondThird},
        {u"1.2.3.4.9", u"1.2.3.4.1", kBeyondThird},
        {u"1.2.4", u"1.2.3.9", kNewer},
        {u"1.2.3.9", u"1.2.4", kOlder},
        {u"2.0", u"1.9.9.9", kNewer},
        {u"1.2.3.4", u"1.2.3.4", kEqual},
        // Fields are numbers, not texts.
        {u"2.0", u"10.0", kOlder},
        {u"1.10", u"1.9", kNewer},
        {u"01.002", u"1.2", kEqual},
        {u" 1.2", u"1.2 ", kEqual},
        // Field counts decide when the common fields agree, whatever the extra field holds; a
        // trailing dot adds no field.
        {u"1.0", u"1.0.0", kOlder},
        {u"1.0.0", u"1.0", kNewer},
        {u"1.2.3.4", u"1.2.3.4.0", kOlder},
        {u"1.0.", u"1.0", kEqual},
        // Empty versions and empty fields read as zero.
        {u"", u"0", kEqual},
        {u"0", u"", kEqual},
        {u"", u"", kEqual},
        {u"", u"1", kOlder},
        {u"", u"0.0", kOlder},
        {u"1..2", u"1.0.2", kEqual},
        {u"1..2", u"1.1.2", kOlder},
        // Letters are below every number; two texts compare by code units, so case matters;
        // past the third field the kind of difference does not matter.
        {u"1.beta", u"1.0", kOlder},
        {u"1.0", u"1.beta", kNewer},
        {u"1.2a", u"1.0", kOlder},
        {u"1.-", u"1.0", kOlder},
        {u"1.rc", u"1.rc", kEqual},
        {u"1.alpha", u"1.beta", kOlder},
        {u"1.RC", u"1.rc", kOlder},
        {u"1.2.3.x", u"1.2.3.4", kBeyondThird},
        // Numbers beyond 32 bits still compare by value; signs as a decimal conversion reads
        // them, minus zero is zero.
        {u"2147483648", u"2147483647", kNewer},
        {u"1.99999999999999999999", u"1.100000000000000000000", kOlder},
        {u"1.0099999999999", u"1.99999999999", kEqual},
        {u"-1", u"0", kOlder},
        {u"-2", u"-1", kOlder},
        {u"-0", u"+0", kEqual},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CompareVersionStrings(c.first, c.second), c.expected)
            << Utf16ToUtf8(c.first) << " vs " << Utf16ToUtf8(c.second);
    }
}

TEST(ComparePackages, ProductCodesDecideFirstThenTheFirstThreeFields) {
    const std::u16string code = u"{1F3A2B4C-0000-4000-8000-00000000ABCD}";
    const std::u16string lower = u"{1f3a2b4c-0000-4000-8000-00000000abcd}";
    const auto same = PackageRelation::SameVersion;
    const auto other = PackageRelation::OtherVersion;
    const auto product = PackageRelation::OtherProduct;
    EXPECT_EQ(ComparePackageIdentities(code, u"1.0.0.1", code, u"1.0.0.2"), same);
    EXPECT_EQ(ComparePackageIdentities(code, u"1.0.0", lower, u"1.0.0"), same);
    EXPECT_EQ(ComparePackageIdentities(code, u"1.0.1", code, u"1.0.0"), other);
    EXPECT_EQ(ComparePackageIdentities(code, u"1.0", code, u"1.0.0"), other);
    EXPECT_EQ(
        ComparePackageIdentities(code, u"1.0", u"{00000000-0000-0000-0000-000000000000}", u"1.0"),
        product);
    // A package without a ProductCode matches only another without one.
    EXPECT_EQ(ComparePackageIdentities(u"", u"1.0", code, u"1.0"), product);
    EXPECT_EQ(ComparePackageIdentities(u"", u"", u"", u""), same);
}
