// Directory keys to folder paths, in target and source mode, over the fixture whose Directory
// table holds every awkward DefaultDir and parent form.

#include "VxWsApplicationFilesEP/package/msi_package.h"
#include "package/fixture_packages.h"

#include <gtest/gtest.h>

using namespace vx;
using vx::testing::FixturePackage;

namespace {

class DirectoriesFixture : public ::testing::Test {
protected:
    std::u16string Target(const std::u16string& key) {
        return package.Resolver().ResolveDirectory(key, false);
    }
    std::u16string Source(const std::u16string& key) {
        return package.Resolver().ResolveDirectory(key, true);
    }

    CVxMsiPackage package{FixturePackage("directories")};
};

} // namespace

TEST_F(DirectoriesFixture, TargetDirAnswersItsOwnNameInBothModes) {
    EXPECT_EQ(Target(u"TARGETDIR"), u"TARGETDIR");
    EXPECT_EQ(Source(u"TARGETDIR"), u"TARGETDIR");
}

TEST_F(DirectoriesFixture, ChildrenOfTargetDirAreSymbolicRootsInTargetMode) {
    // ProgramFilesFolder's DefaultDir is "." and DataRoot's is "Data": neither name is used.
    EXPECT_EQ(Target(u"ProgramFilesFolder"), u"[ProgramFilesFolder]");
    // A Property of the child's name wins over the bracketed key, and is taken as written.
    EXPECT_EQ(Target(u"DataRoot"), u"D:\\Shared\\Data\\");
    EXPECT_EQ(package.GetDirectoryPath(u"DataRoot"), u"D:\\Shared\\Data\\");
}

TEST_F(DirectoriesFixture, ChildrenOfTargetDirUseTheirOwnSourceName) {
    EXPECT_EQ(Source(u"DataRoot"), u"Data");
    // A chain of "." up to the child of TARGETDIR leaves nothing.
    EXPECT_EQ(Source(u"ProgramFilesFolder"), u"");
}

TEST_F(DirectoriesFixture, DefaultDirSplitsAtAColonAfterTheFirstPosition) {
    // "S~1|Long:SRC~1|LongSrc": both halves read through their long names.
    EXPECT_EQ(Target(u"INSTALLDIR"), u"[ProgramFilesFolder]\\Long");
    EXPECT_EQ(Source(u"INSTALLDIR"), u"LongSrc");
    // "Sub:SubSrc", and a short|long child below it.
    EXPECT_EQ(Target(u"SplitDir"), u"[ProgramFilesFolder]\\Long\\Sub");
    EXPECT_EQ(Source(u"SplitDir"), u"LongSrc\\SubSrc");
    EXPECT_EQ(Target(u"NestedDir"), u"[ProgramFilesFolder]\\Long\\Sub\\Nested Folder");
    EXPECT_EQ(Source(u"NestedDir"), u"LongSrc\\SubSrc\\Nested Folder");
    // ":Sub" does not split: the colon stays part of the name in both modes.
    EXPECT_EQ(Target(u"SourceOnlyDir"), u"[ProgramFilesFolder]\\Long\\:Sub");
    EXPECT_EQ(Source(u"SourceOnlyDir"), u"LongSrc\\:Sub");
}

TEST_F(DirectoriesFixture, DotNamesAddNothing) {
    // ".": the parent's folder in both modes.
    EXPECT_EQ(Target(u"DotDir"), u"[ProgramFilesFolder]\\Long");
    EXPECT_EQ(Source(u"DotDir"), u"LongSrc");
    // ".:Src": the parent's folder on the target, a folder of its own in the source image.
    EXPECT_EQ(Target(u"DotSrcDir"), u"[ProgramFilesFolder]\\Long");
    EXPECT_EQ(Source(u"DotSrcDir"), u"LongSrc\\Src");
}

TEST_F(DirectoriesFixture, RootsEndTheWalkAfterTheirName) {
    // Self-parented: a root, as the Directory table defines it.
    EXPECT_EQ(Target(u"SelfRoot"), u"Self");
    EXPECT_EQ(Source(u"SelfRoot"), u"Self");
}

TEST_F(DirectoriesFixture, MissingRowsReadAsEmptyRows) {
    // The missing parent contributes an empty name, so the path starts with a separator.
    EXPECT_EQ(Target(u"OrphanDir"), u"\\Orphan");
    EXPECT_EQ(Source(u"OrphanDir"), u"\\Orphan");
    // A missing starting key is one empty row.
    EXPECT_EQ(Target(u"NoSuchDirectory"), u"");
    EXPECT_EQ(Source(u"NoSuchDirectory"), u"");
}

TEST_F(DirectoriesFixture, ParentNamesCompareCaseSensitively) {
    // "TargetDir" is not TARGETDIR: it is looked up, not found, and read as an empty row.
    EXPECT_EQ(Target(u"CaseParentDir"), u"\\Case");
    EXPECT_EQ(Source(u"CaseParentDir"), u"\\Case");
    EXPECT_EQ(Target(u"targetdir"), u"");
}

TEST_F(DirectoriesFixture, ALongerCycleEndsAtTheRowThatClosesIt) {
    // CycleA under CycleB under CycleA: each folder is named once, the start nearest the leaf.
    EXPECT_EQ(Target(u"CycleA"), u"B\\A");
    EXPECT_EQ(Source(u"CycleA"), u"B\\A");
    EXPECT_EQ(Target(u"CycleB"), u"A\\B");
}

TEST(PathResolver, OrdinaryPackageInBothModes) {
    CVxMsiPackage package(FixturePackage("basic"));
    const CMsiPathResolver& resolver = package.Resolver();
    EXPECT_EQ(package.GetDirectoryPath(u"INSTALLDIR"), u"[ProgramFilesFolder]\\Fixture Basic");
    EXPECT_EQ(package.GetDirectoryPath(u"PluginDir"),
              u"[ProgramFilesFolder]\\Fixture Basic\\bin\\Plugins Folder");
    // ProgramFilesFolder is "." in this package, so the source image starts at INSTALLDIR.
    EXPECT_EQ(resolver.ResolveDirectory(u"PluginDir", true), u"Fixture Basic\\bin\\Plugins Folder");
    EXPECT_EQ(resolver.ResolveDirectory(u"DocDir", true), u"Fixture Basic\\docs");
}

TEST(PathResolver, EveryFileReachesItsFolderThroughItsComponent) {
    // The fixture has one file a folder: File -> Component_ -> Directory_ reaches every row
    // but TARGETDIR, and the walk of each answers the same as asking for the folder directly.
    CVxMsiPackage package(FixturePackage("directories"));
    CMsiView* files = package.OpenTableView(u"File", u"ORDER BY `Sequence`");
    int count = 0;
    while (CMsiRecord file = files->Fetch()) {
        const CMsiRecord component =
            package.FindRecord(u"Component", u"Component", file.GetString(2), u"");
        ASSERT_TRUE(component.HasRow());
        const std::u16string directory = component.GetString(3);
        EXPECT_EQ(u"F_" + directory, file.GetString(1));
        EXPECT_EQ(package.GetLongFileName(file.GetString(3)),
                  Utf8ToUtf16("file " + std::to_string(file.GetInteger(8) - 1) + ".txt"));
        ++count;
    }
    EXPECT_EQ(count, 13);
    const CMsiRecord nested = package.FindRecord(u"Component", u"Component", u"C_NestedDir", u"");
    EXPECT_EQ(package.Resolver().ResolveDirectory(nested.GetString(3), true),
              u"LongSrc\\SubSrc\\Nested Folder");
}
