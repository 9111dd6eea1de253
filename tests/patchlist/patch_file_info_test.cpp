// CPatchFileInfo: the package path from the project, what its settings do without an entry, the
// original file's questions the forms and vxpatch show leave open, and a new file's version.

#include "VxWsApplicationFilesEP/patchlist/patch_file_info.h"
#include "ide/framework/scripted_message_service.h"
#include "patchlist/patchlist_helpers.h"

#include <gtest/gtest.h>

namespace vx {
namespace {

using namespace testing;

TEST(PatchFileInfo, AttachExpandsThePackagePathOrShowsMessage16) {
    ScriptedMessageService messages;
    FixtureProject good("patchrules");
    CPatchFileInfo info;
    info.AttachProject(good.patch.Get());
    EXPECT_EQ(info.PackagePath(), FixturePackage("patchrules"));
    EXPECT_TRUE(messages.Shown().empty());

    // The message names the expanded path; the package path stays what it was.
    FixtureProject missing("patchrules", u"${Fixtures}/nowhere.msi");
    info.AttachProject(missing.patch.Get());
    ASSERT_EQ(messages.Shown().size(), 1u);
    EXPECT_EQ(messages.Shown()[0].text,
              u"Unable to locate the original setup package " + Utf8ToUtf16(VX_FIXTURE_DIR) +
                  u"/nowhere.msi.  Kestrom views will not function properly until this "
                  u"reference is restored.");
    EXPECT_EQ(messages.Shown()[0].style, MB_OK);
    EXPECT_EQ(info.PackagePath(), FixturePackage("patchrules"));

    // A relative path is taken against the project's folder.
    FixtureProject relative("patchrules", u"here.msi");
    CPatchFileInfo other;
    other.AttachProject(relative.patch.Get());
    ASSERT_EQ(messages.Shown().size(), 2u);
    EXPECT_NE(messages.Shown()[1].text.find(Utf8ToUtf16(relative.folder.Path("here.msi").string())),
              std::u16string::npos);
    EXPECT_EQ(other.PackagePath(), u"");
}

// What each setting writes and each original-file question answers is read back through the
// forms (forms_test) and vxpatch show (cli project commands); here what neither reaches.
TEST(PatchFileInfo, WithoutAnEntryNothingIsWrittenAndDeleteIsType1Exactly) {
    ScriptedMessageService messages;
    FixtureProject fixture("patchrules");
    CPatchFileInfo info;
    info.AttachProject(fixture.patch.Get());
    info.SetFileKey(u"plain.exe");
    info.SetOverwrite(true);
    info.SetFeature(u"Main");
    EXPECT_FALSE(info.GetOverwrite());
    EXPECT_EQ(info.GetFeature(), u"");
    EXPECT_FALSE(Entry(fixture.patch.Get(), u"plain.exe"));

    auto entry = CreateEntry(fixture.patch.Get(), u"plain.exe");
    info.SetNewFilePath(u"${Fixtures}/plain.exe"); // stored as written
    EXPECT_EQ(SettingsOf(entry.Get()).newFilePath, u"${Fixtures}/plain.exe");
    ThrowIfFailed(entry->PutType(kPatchTypeNewFile));
    EXPECT_FALSE(info.GetDeleteOnPatch());
    info.SetDeleteOnPatch(true);
    EXPECT_EQ(SettingsOf(entry.Get()).type, kPatchTypeDelete);
    info.SetDeleteOnPatch(false);
    EXPECT_EQ(SettingsOf(entry.Get()).type, kPatchTypeUpdate);
}

TEST(PatchFileInfo, OriginalFileQueries) {
    ScriptedMessageService messages;
    FixtureProject fixture("patchrules");
    CPatchFileInfo info;
    info.AttachProject(fixture.patch.Get());
    info.OpenPackage();
    info.SetFileKey(u"plain.exe"); // no version, no language: empty, not string 13
    EXPECT_EQ(info.GetFileVersion(), u"");
    EXPECT_EQ(info.GetFileLanguage(), u"");
    std::vector<std::u16string> keys{u"kept"};
    info.GetDirectoryKeys(keys);
    EXPECT_EQ(keys, (std::vector<std::u16string>{u"kept", u"TARGETDIR", u"ProgramFilesFolder",
                                                 u"INSTALLDIR", u"BinDir"}));
    info.ClosePackage();
    EXPECT_THROW(info.GetFileName(), CComException); // the package is closed again
}

TEST(PatchFileInfo, NewFileVersion) {
    ScriptedMessageService messages;
    FixtureProject fixture("patchrules");
    ThrowIfFailed(fixture.project->PutPathVariable(u"Samples", Utf8ToUtf16(VX_SAMPLE_DIR).c_str()));
    CPatchFileInfo info;
    info.AttachProject(fixture.patch.Get());
    CreateEntry(fixture.patch.Get(), u"k");
    info.SetFileKey(u"k");
    EXPECT_EQ(info.GetNewFileVersion(), u"Unable to determine File Version");
    info.SetNewFilePath(u"${Samples}/pe32.exe");
    EXPECT_EQ(info.GetNewFileVersion(), u"1.2.3.4");
    fixture.folder.Write("notes.txt", "no version here");
    info.SetNewFilePath(u"notes.txt"); // relative to the project's folder
    EXPECT_EQ(info.GetNewFileVersion(), u"");
    info.SetNewFilePath(u"missing.exe");
    EXPECT_EQ(info.GetNewFileVersion(), u"");
}

} // namespace
} // namespace vx
