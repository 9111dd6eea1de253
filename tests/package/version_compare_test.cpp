// Version and package comparison: which field differs decides between older/newer and
// "differs beyond the third"; field counts decide when all common fields agree.

#include "VxWsApplicationFilesEP/package/msi_package.h"
#include "VxWsApplicationFilesEP/package/version_compare.h"
#include "package/fixture_packages.h"
#include "support/test_paths.h"

#include <gtest/gtest.h>

using namespace vx;
using vx::testing::FixturePackage;

namespace {

constexpr VersionRelation kEqual = VersionRelation::Equal;
constexpr VersionRelation kBeyondThird = VersionRelation::DiffersBeyondThird;
constexpr VersionRelation kOlder = VersionRelation::FirstOlder;
constexpr VersionRelation kNewer = VersionRelation::FirstNewer;

VersionRelation Compare(std::u16string_view a, std::u16string_view b) {
    return CompareVersionStrings(a, b);
}

} // namespace

TEST(CompareVersions, TheFieldThatDiffersDecides) {
    EXPECT_EQ(Compare(u"1.2.3.4", u"1.2.3.5"), kBeyondThird);
    EXPECT_EQ(Compare(u"1.2.3.5", u"1.2.3.4"), kBeyondThird);
    EXPECT_EQ(Compare(u"1.2.3.4.9", u"1.2.3.4.1"), kBeyondThird);
    EXPECT_EQ(Compare(u"1.2.4", u"1.2.3.9"), kNewer);
    EXPECT_EQ(Compare(u"1.2.3.9", u"1.2.4"), kOlder);
    EXPECT_EQ(Compare(u"2.0", u"1.9.9.9"), kNewer);
    EXPECT_EQ(Compare(u"1.2.3.4", u"1.2.3.4"), kEqual);
}

TEST(CompareVersions, FieldsAreNumbersNotTexts) {
    EXPECT_EQ(Compare(u"2.0", u"10.0"), kOlder);
    EXPECT_EQ(Compare(u"1.10", u"1.9"), kNewer);
    EXPECT_EQ(Compare(u"01.002", u"1.2"), kEqual);
    EXPECT_EQ(Compare(u" 1.2", u"1.2 "), kEqual);
}

TEST(CompareVersions, FieldCountsDecideWhenCommonFieldsAgree) {
    EXPECT_EQ(Compare(u"1.0", u"1.0.0"), kOlder);
    EXPECT_EQ(Compare(u"1.0.0", u"1.0"), kNewer);
    // Whatever the extra field holds, and however far out it lies.
    EXPECT_EQ(Compare(u"1.2.3.4", u"1.2.3.4.0"), kOlder);
    // A trailing dot adds no field.
    EXPECT_EQ(Compare(u"1.0.", u"1.0"), kEqual);
}

TEST(CompareVersions, EmptyVersionsReadAsZero) {
    EXPECT_EQ(Compare(u"", u"0"), kEqual);
    EXPECT_EQ(Compare(u"0", u""), kEqual);
    EXPECT_EQ(Compare(u"", u""), kEqual);
    EXPECT_EQ(Compare(u"", u"1"), kOlder);
    EXPECT_EQ(Compare(u"", u"0.0"), kOlder);
}

TEST(CompareVersions, FieldsThatAreNoNumber) {
    // An empty field reads as 0, as an empty version does.
    EXPECT_EQ(Compare(u"1..2", u"1.0.2"), kEqual);
    EXPECT_EQ(Compare(u"1..2", u"1.1.2"), kOlder);
    // Letters are below every number, however small.
    EXPECT_EQ(Compare(u"1.beta", u"1.0"), kOlder);
    EXPECT_EQ(Compare(u"1.0", u"1.beta"), kNewer);
    EXPECT_EQ(Compare(u"1.2a", u"1.0"), kOlder);
    EXPECT_EQ(Compare(u"1.-", u"1.0"), kOlder);
    // Two texts compare by their code units, so letter case matters.
    EXPECT_EQ(Compare(u"1.rc", u"1.rc"), kEqual);
    EXPECT_EQ(Compare(u"1.alpha", u"1.beta"), kOlder);
    EXPECT_EQ(Compare(u"1.RC", u"1.rc"), kOlder);
    // Past the third field the kind of difference does not matter.
    EXPECT_EQ(Compare(u"1.2.3.x", u"1.2.3.4"), kBeyondThird);
}

TEST(CompareVersions, NumbersBeyondThirtyTwoBitsStillCompareByValue) {
    EXPECT_EQ(Compare(u"2147483648", u"2147483647"), kNewer);
    EXPECT_EQ(Compare(u"1.99999999999999999999", u"1.100000000000000000000"), kOlder);
    EXPECT_EQ(Compare(u"1.0099999999999", u"1.99999999999"), kEqual);
    // Signs as a decimal conversion reads them; minus zero is zero.
    EXPECT_EQ(Compare(u"-1", u"0"), kOlder);
    EXPECT_EQ(Compare(u"-2", u"-1"), kOlder);
    EXPECT_EQ(Compare(u"-0", u"+0"), kEqual);
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

TEST(ComparePackages, RealPackages) {
    CVxMsiPackage basic(FixturePackage("basic"));
    CVxMsiPackage again(FixturePackage("basic"));
    CVxMsiPackage directories(FixturePackage("directories"));
    EXPECT_EQ(basic.CompareWithPackage(&again), PackageRelation::SameVersion);
    EXPECT_EQ(basic.CompareWithPackage(&directories), PackageRelation::OtherProduct);
    EXPECT_EQ(basic.CompareVersions(basic.GetProductVersion(), u"1.2.3.7"), kOlder);
    EXPECT_EQ(basic.CompareVersions(basic.GetProductVersion(), u"1.2"), kNewer);
}
