// The package object: its path parts, cached table and keyed views, single-row lookups,
// product and summary properties, and a package that cannot be opened.

#include "VxWsApplicationFilesEP/package/msi_package.h"
#include "platform/com/com_exception.h"
#include "platform/com/guid.h"
#include "support/com_failure.h"
#include "support/test_paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

using namespace vx;
using namespace vx::testing;

namespace {

std::vector<std::u16string> Keys(CMsiView* view, size_t limit = SIZE_MAX) {
    std::vector<std::u16string> keys;
    while (keys.size() < limit) {
        CMsiRecord row = view->Fetch();
        if (!row) {
            break;
        }
        keys.push_back(row.GetString(1));
    }
    return keys;
}

} // namespace

TEST(PackagePath, SplitsAtTheLastSlash) {
    CVxMsiPackage package(u"/setup/disk1/product.msi");
    EXPECT_EQ(package.GetPackageFolder(), u"/setup/disk1");
    EXPECT_EQ(package.GetPackageFileName(), u"product.msi");
    EXPECT_EQ(package.GetPackagePath(), u"/setup/disk1/product.msi");

    // A package at the root has an empty folder; joining puts the one slash back.
    CVxMsiPackage atRoot(u"/product.msi");
    EXPECT_EQ(atRoot.GetPackageFolder(), u"");
    EXPECT_EQ(atRoot.GetPackagePath(), u"/product.msi");

    // Without any slash the whole path is both the folder and the file name. A backslash is
    // part of a file name here, not a separator.
    CVxMsiPackage bare(u"C:\\Setup\\product.msi");
    EXPECT_EQ(bare.GetPackageFolder(), u"C:\\Setup\\product.msi");
    EXPECT_EQ(bare.GetPackageFileName(), u"C:\\Setup\\product.msi");
    EXPECT_EQ(bare.GetPackagePath(), u"C:\\Setup\\product.msi/C:\\Setup\\product.msi");
}

TEST(PackageViews, ATableViewIsSharedAndRewoundOnEveryRequest) {
    CVxMsiPackage package(FixturePackage("basic"));
    CMsiView* first = package.OpenTableView(u"File", u"");
    const std::vector<std::u16string> all = Keys(first);
    ASSERT_EQ(all.size(), 5u);

    // Stop early, ask again: the same object, back before its first row.
    CMsiView* again = package.OpenTableView(u"File", u"");
    EXPECT_EQ(again, first);
    EXPECT_EQ(Keys(again, 2), std::vector<std::u16string>(all.begin(), all.begin() + 2));
    EXPECT_EQ(Keys(package.OpenTableView(u"File", u"")), all);

    // Another clause is another view, with its own rows.
    CMsiView* ordered = package.OpenTableView(u"File", u"ORDER BY `Sequence`");
    EXPECT_NE(ordered, first);
    int previous = 0;
    while (CMsiRecord row = ordered->Fetch()) {
        EXPECT_GT(row.GetInteger(8), previous);
        previous = row.GetInteger(8);
    }
    // The first view was not disturbed by the second.
    EXPECT_EQ(Keys(first).size(), 0u);
}

TEST(PackageViews, ClosingForgetsTheViewAndClosingNothingIsHarmless) {
    CVxMsiPackage package(FixturePackage("basic"));
    const UINT before = MsiOpenHandleCount();
    package.CloseTableView(u"File", u"");          // never opened
    package.CloseKeyedView(u"File", u"File", u""); // never opened
    EXPECT_EQ(MsiOpenHandleCount(), before);

    CMsiView* view = package.OpenTableView(u"Component", u"");
    EXPECT_EQ(Keys(view, 1).size(), 1u);
    EXPECT_EQ(MsiOpenHandleCount(), before + 1);
    package.CloseTableView(u"Component", u"");
    EXPECT_EQ(MsiOpenHandleCount(), before);
    // Opened again after the close: a fresh view from the first row.
    EXPECT_EQ(Keys(package.OpenTableView(u"Component", u"")).size(), 4u);
}

TEST(PackageViews, AMissingTableGivesAViewWithoutRows) {
    CVxMsiPackage package(FixturePackage("basic"));
    CMsiView* view = nullptr;
    EXPECT_EQ(RaisedBy([&] { view = package.OpenTableView(u"NoSuchTable", u""); }).hr, S_OK);
    ASSERT_NE(view, nullptr);
    EXPECT_FALSE(view->HasHandle());
    EXPECT_FALSE(view->Fetch().HasRow());
    // Cached like any other, and asking again throws nothing either.
    EXPECT_EQ(package.OpenTableView(u"NoSuchTable", u""), view);
    EXPECT_FALSE(package.TableExists(u"NoSuchTable"));
    EXPECT_TRUE(package.TableExists(u"File"));
}

TEST(PackageViews, KeyedViewsArePreparedOnceUntilClosed) {
    CVxMsiPackage package(FixturePackage("basic"));
    CMsiView* keyed = package.OpenKeyedView(u"Component", u"Directory_", u"");
    ASSERT_TRUE(keyed->HasHandle());
    EXPECT_EQ(package.OpenKeyedView(u"Component", u"Directory_", u""), keyed);
    EXPECT_NE(package.OpenKeyedView(u"Component", u"Component", u""), keyed);
    // Prepared, not executed: the caller binds the value.
    EXPECT_EQ(keyed->ExecuteWithString(u"BinDir").GetString(1), u"CoreComp");

    const UINT open = MsiOpenHandleCount();
    package.CloseKeyedView(u"Component", u"Directory_", u"");
    EXPECT_EQ(MsiOpenHandleCount(), open - 1);
}

TEST(PackageLookups, FindRecordAnswersTheFirstMatchingRowOrTheNullRecord) {
    CVxMsiPackage package(FixturePackage("basic"));
    const UINT open = MsiOpenHandleCount();
    CMsiRecord readme = package.FindRecord(u"File", u"File", u"Readme", u"");
    ASSERT_TRUE(readme.HasRow());
    EXPECT_EQ(readme.GetString(2), u"MainComp");
    // The lookup's view is gone again; only the record the caller owns stays open.
    EXPECT_EQ(MsiOpenHandleCount(), open + 1);

    EXPECT_FALSE(package.FindRecord(u"File", u"File", u"readme", u"").HasRow());
    EXPECT_FALSE(package.FindRecord(u"Property", u"Property", u"NoSuchProperty", u"").HasRow());

    // The clause narrows the lookup after the bound column.
    EXPECT_EQ(
        package
            .FindRecord(u"Component", u"Directory_", u"INSTALLDIR", u"AND `Component` = 'MainComp'")
            .GetString(1),
        u"MainComp");
    EXPECT_FALSE(
        package
            .FindRecord(u"Component", u"Directory_", u"INSTALLDIR", u"AND `Component` = 'DocComp'")
            .HasRow());
}

TEST(PackageLookups, FindRecordByIntegerBindsANumber) {
    CVxMsiPackage package(FixturePackage("basic"));
    CMsiView* ordered = package.OpenTableView(u"File", u"ORDER BY `Sequence`");
    while (CMsiRecord row = ordered->Fetch()) {
        const CMsiRecord found =
            package.FindRecordByInteger(u"File", u"Sequence", row.GetInteger(8), u"");
        EXPECT_EQ(found.GetString(1), row.GetString(1));
    }
    EXPECT_FALSE(package.FindRecordByInteger(u"File", u"Sequence", 999, u"").HasRow());
}

TEST(PackageLookups, LookupsInAMissingTableThrowFromTheExecute) {
    CVxMsiPackage package(FixturePackage("basic"));
    EXPECT_TRUE(RaisedBy([&] {
                    package.FindRecord(u"NoSuchTable", u"Key", u"x", u"");
                }).Mentions(u"MsiViewExecute"));
}

TEST(PackageProperties, ProductPropertiesAndSummaryInformation) {
    CVxMsiPackage package(FixturePackage("basic"));
    EXPECT_EQ(package.GetProductCode(), u"{1F3A2B4C-0000-4000-8000-000000000001}");
    EXPECT_EQ(package.GetProductVersion(), u"1.2.3");
    EXPECT_EQ(package.GetProductLanguage(), u"1033");
    EXPECT_EQ(package.GetSchema(), 200);
    // wixl makes a new package code on every build: it is a braced GUID.
    EXPECT_TRUE(ParseGuid(package.GetPackageCode()).has_value())
        << Utf16ToUtf8(package.GetPackageCode());

    // Without Property rows the properties read as empty.
    CVxMsiPackage directories(FixturePackage("directories"));
    EXPECT_EQ(directories.GetPackageCode(), u"{00000009-0000-4000-8000-000000000000}");
    EXPECT_EQ(directories.GetProductCode() + directories.GetProductVersion() +
                  directories.GetProductLanguage(),
              u"");
}

TEST(MissingPackage, IsConstructedWithoutADatabase) {
    const UINT open = MsiOpenHandleCount();
    {
        CVxMsiPackage package(u"/nowhere/missing.msi");
        EXPECT_EQ(package.GetDatabaseHandle(), 0u);
        EXPECT_FALSE(package.TableExists(u"File"));

        CMsiView* view = package.OpenTableView(u"File", u"");
        EXPECT_FALSE(view->Fetch().HasRow());
        EXPECT_FALSE(package.OpenTableView(u"File", u"")->Fetch().HasRow());

        for (const Raised& raised :
             {RaisedBy([&] { package.FindRecord(u"File", u"File", u"x", u""); }),
              RaisedBy([&] { package.FindRecordByInteger(u"File", u"Sequence", 1, u""); }),
              RaisedBy([&] { package.GetProductCode(); }),
              RaisedBy([&] { package.GetDirectoryPath(u"INSTALLDIR"); })}) {
            EXPECT_EQ(raised.hr, HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE));
            EXPECT_TRUE(raised.Mentions(u"MsiViewExecute")) << Utf16ToUtf8(raised.description);
        }

        EXPECT_EQ(package.GetPackageCode(), u"");
        EXPECT_EQ(package.GetPackagePath(), u"/nowhere/missing.msi");
        EXPECT_EQ(package.CompareVersions(u"1.0", u"1.0"), VersionRelation::Equal);
    }
    EXPECT_EQ(MsiOpenHandleCount(), open);
}

TEST(PackageLifetime, DestructionReleasesEveryHandle) {
    const UINT open = MsiOpenHandleCount();
    {
        CVxMsiPackage package(FixturePackage("basic"));
        package.OpenTableView(u"File", u"");
        package.OpenTableView(u"Directory", u"ORDER BY `Directory`");
        package.OpenKeyedView(u"File", u"Component_", u"");
        package.GetDirectoryPath(u"PluginDir");
        package.GetPackageCode();
        EXPECT_GT(MsiOpenHandleCount(), open);
    }
    EXPECT_EQ(MsiOpenHandleCount(), open);
}
