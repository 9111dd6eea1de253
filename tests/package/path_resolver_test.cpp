// Directory keys to folder paths, in target and source mode, over the fixture whose Directory
// table holds every awkward DefaultDir and parent form, and over an ordinary package; and names
// from a package joined to folders on this machine, letter case as Windows ignores it.

#include "VxWsApplicationFilesEP/package/msi_package.h"
#include "VxWsApplicationFilesEP/package/safe_paths.h"
#include "support/scratch_folder.h"
#include "support/test_paths.h"

#include <gtest/gtest.h>

using namespace vx;
using vx::testing::FixturePackage;

TEST(PathResolver, EveryDirectoryFormInBothModes) {
    struct Case {
        const char16_t* key;
        const char16_t* target;
        const char16_t* source;
    };
    const Case cases[] = {
        // TARGETDIR answers its own name in both modes.
        {u"TARGETDIR", u"TARGETDIR", u"TARGETDIR"},
        // Children of TARGETDIR are symbolic roots on the target ("." and "Data" are not used;
        // a Property of the child's name wins, taken as written) and use their own source name;
        // a chain of "." up to the child of TARGETDIR leaves nothing.
        {u"ProgramFilesFolder", u"[ProgramFilesFolder]", u""},
        {u"DataRoot", u"D:\\Shared\\Data\\", u"Data"},
        // DefaultDir splits at a colon after the first position, each half through its long
        // name; ":Sub" does not split.
        {u"INSTALLDIR", u"[ProgramFilesFolder]\\Long", u"LongSrc"},
        {u"SplitDir", u"[ProgramFilesFolder]\\Long\\Sub", u"LongSrc\\SubSrc"},
        {u"NestedDir", u"[ProgramFilesFolder]\\Long\\Sub\\Nested Folder",
         u"LongSrc\\SubSrc\\Nested Folder"},
        {u"SourceOnlyDir", u"[ProgramFilesFolder]\\Long\\:Sub", u"LongSrc\\:Sub"},
        // "." adds nothing; ".:Src" adds a folder in the source image only.
        {u"DotDir", u"[ProgramFilesFolder]\\Long", u"LongSrc"},
        {u"DotSrcDir", u"[ProgramFilesFolder]\\Long", u"LongSrc\\Src"},
        // A self-parented row is a root and ends the walk after its name.
        {u"SelfRoot", u"Self", u"Self"},
        // A missing parent reads as an empty row (so the path starts with a separator); so does
        // a parent named in another case, and a missing starting key.
        {u"OrphanDir", u"\\Orphan", u"\\Orphan"},
        {u"CaseParentDir", u"\\Case", u"\\Case"},
        {u"NoSuchDirectory", u"", u""},
        {u"targetdir", u"", u""},
        // A cycle ends at the row that closes it, the start nearest the leaf.
        {u"CycleA", u"B\\A", u"B\\A"},
        {u"CycleB", u"A\\B", u"A\\B"},
    };
    CVxMsiPackage package(FixturePackage("directories"));
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.key));
        EXPECT_EQ(package.Resolver().ResolveDirectory(c.key, false), c.target);
        EXPECT_EQ(package.GetDirectoryPath(c.key), c.target);
        EXPECT_EQ(package.Resolver().ResolveDirectory(c.key, true), c.source);
    }

    // ProgramFilesFolder is "." in the ordinary package, so its source image starts at INSTALLDIR.
    CVxMsiPackage basic(FixturePackage("basic"));
    EXPECT_EQ(basic.GetDirectoryPath(u"PluginDir"),
              u"[ProgramFilesFolder]\\Fixture Basic\\bin\\Plugins Folder");
    EXPECT_EQ(basic.Resolver().ResolveDirectory(u"PluginDir", true),
              u"Fixture Basic\\bin\\Plugins Folder");
}

TEST(JoinMatchingCase, TakesTheOneEntryThatDiffersOnlyInLetterCase) {
    vx::testing::ScratchFolder folder;
    folder.Write("\xC3\x84RGER.TXT", "x");             // ÄRGER.TXT
    folder.Write("\xCE\xA3\xCE\x97\xCE\x9C.dat", "x"); // ΣΗΜ.dat
    folder.Write("Twice.txt", "x");
    folder.Write("TWICE.txt", "x");
    folder.Write("exact.txt", "x");
    folder.Write("\xD4\xB1.txt", "x"); // Armenian capital AYB
    folder.Write("EXACT.txt", "x");
    const std::u16string base = Utf8ToUtf16(folder.Root().string());

    EXPECT_EQ(JoinMatchingCase(base, {u"\u00e4rger.txt"}), base + u"/\u00c4RGER.TXT");
    EXPECT_EQ(JoinMatchingCase(base, {u"\u03c3\u03b7\u03bc.DAT"}),
              base + u"/\u03a3\u0397\u039c.dat");
    // Two candidates: no guess, the name stays as written; an exact name wins outright.
    EXPECT_EQ(JoinMatchingCase(base, {u"twice.TXT"}), base + u"/twice.TXT");
    EXPECT_EQ(JoinMatchingCase(base, {u"exact.txt"}), base + u"/exact.txt");
    // Every script's letters fold, Armenian's too.
    EXPECT_EQ(JoinMatchingCase(base, {u"\u0561.txt"}), base + u"/\u0531.txt");
}
