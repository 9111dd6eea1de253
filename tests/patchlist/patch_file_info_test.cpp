// CPatchFileInfo: the entry's settings through the project, and the original file's questions
// answered from the fixture package.

#include "VxWsApplicationFilesEP/patchlist/patch_file_info.h"
#include "VxWsApplicationFilesEP/resources/string_table.h"
#include "ide/framework/scripted_message_service.h"
#include "patchlist/patchlist_helpers.h"

#include <gtest/gtest.h>

namespace vx {
namespace {

using testing::CreateEntry;
using testing::FixtureProject;

const std::u16string kNotInOriginal = u"File Not Found In Original Setup";

TEST(PatchFileInfo, AttachExpandsThePackagePathOrShowsMessage16) {
    ScriptedMessageService messages;
    FixtureProject good("patchrules");
    CPatchFileInfo info;
    info.AttachProject(good.patch.Get());
    EXPECT_EQ(info.PackagePath(), testing::FixturePackage("patchrules"));
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
    EXPECT_EQ(info.PackagePath(), testing::FixturePackage("patchrules"));
    info.AttachProject(missing.patch.Get(), false); // quietly, for the page's forms
    EXPECT_EQ(messages.Shown().size(), 1u);

    // A relative path is taken against the project's folder.
    FixtureProject relative("patchrules", u"here.msi");
    CPatchFileInfo other;
    other.AttachProject(relative.patch.Get());
    ASSERT_EQ(messages.Shown().size(), 2u);
    EXPECT_NE(messages.Shown()[1].text.find(Utf8ToUtf16(relative.folder.Path("here.msi").string())),
              std::u16string::npos);
    EXPECT_EQ(other.PackagePath(), u"");
}

TEST(PatchFileInfo, EntrySettingsGoThroughTheProject) {
    ScriptedMessageService messages;
    FixtureProject fixture("patchrules");
    CPatchFileInfo info;
    info.AttachProject(fixture.patch.Get());

    // No entry: empty answers, and setters create nothing.
    info.SetFileKey(u"plain.exe");
    info.SetOverwrite(true);
    info.SetFeature(u"Main");
    EXPECT_FALSE(info.GetOverwrite());
    EXPECT_EQ(info.GetFeature(), u"");
    EXPECT_FALSE(testing::Entry(fixture.patch.Get(), u"plain.exe"));

    // Each setter writes its own property of the entry, and each getter reads it back.
    auto entry = CreateEntry(fixture.patch.Get(), u"plain.exe");
    info.SetNewFilePath(u"${Fixtures}/plain.exe");
    info.SetOverwrite(true);
    info.SetExtractCOM(true);
    info.SetSelfReg(false);
    info.SetFeature(u"Main;Extras");
    info.SetDestinationDir(u"BinDir");
    const testing::EntrySettings expected{
        kPatchTypeUpdate, u"${Fixtures}/plain.exe", false, true, true, u"Main;Extras",
        u"BinDir"}; // the path as stored
    EXPECT_EQ(testing::SettingsOf(entry.Get()), expected);
    EXPECT_EQ((testing::EntrySettings{kPatchTypeUpdate, info.GetNewFilePath(), info.GetSelfReg(),
                                      info.GetExtractCOM(), info.GetOverwrite(), info.GetFeature(),
                                      info.GetDestinationDir()}),
              expected);

    // Delete-on-patch is type 1 exactly, and clearing it writes the update type.
    int32_t type = -1;
    EXPECT_FALSE(info.GetDeleteOnPatch());
    info.SetDeleteOnPatch(true);
    ThrowIfFailed(entry->GetType(&type));
    EXPECT_EQ(type, kPatchTypeDelete);
    EXPECT_TRUE(info.GetDeleteOnPatch());
    ThrowIfFailed(entry->PutType(kPatchTypeNewFile));
    EXPECT_FALSE(info.GetDeleteOnPatch());
    info.SetDeleteOnPatch(false);
    ThrowIfFailed(entry->GetType(&type));
    EXPECT_EQ(type, kPatchTypeUpdate);

    // The registration settings of a new file are written without a word: the warning is the
    // new-file form's and the command line's.
    ThrowIfFailed(entry->PutType(kPatchTypeNewFile));
    info.SetSelfReg(true);
    info.SetExtractCOM(true);
    EXPECT_TRUE(info.GetSelfReg() && info.GetExtractCOM());
    EXPECT_TRUE(messages.Shown().empty());
}

TEST(PatchFileInfo, OriginalFileQueries) {
    ScriptedMessageService messages;
    FixtureProject fixture("patchrules");
    const auto before = testing::FileBytes(testing::FixtureFile("patchrules"));
    CPatchFileInfo info;
    info.AttachProject(fixture.patch.Get());
    info.OpenPackage();

    info.SetFileKey(u"vxselfreg.dll");
    EXPECT_EQ(info.GetFileName(), u"vxselfreg.dll"); // the long part of vxself.dll|vxselfreg.dll
    EXPECT_EQ(info.GetDestination(), u"[ProgramFilesFolder]\\Rules App");
    EXPECT_EQ(info.GetFileVersion(), u"1.0.0.0");
    EXPECT_EQ(info.GetFileLanguage(), u"1033");
    EXPECT_EQ(info.GetComponentName(), u"CompPlain");
    EXPECT_EQ(info.GetKeyFile(), u"plain.exe");

    info.SetFileKey(u"helper.dll");
    EXPECT_EQ(info.GetDestination(), u"[ProgramFilesFolder]\\Rules App\\bin");
    EXPECT_EQ(info.GetKeyFile(), u"server.dll");

    info.SetFileKey(u"plain.exe"); // no version, no language: empty, not string 13
    EXPECT_EQ(info.GetFileVersion(), u"");
    EXPECT_EQ(info.GetFileLanguage(), u"");

    info.SetFileKey(u"readme.txt1234"); // a new file's key
    for (const std::u16string& answer :
         {info.GetFileName(), info.GetDestination(), info.GetFileVersion(), info.GetFileLanguage(),
          info.GetComponentName(), info.GetKeyFile()}) {
        EXPECT_EQ(answer, kNotInOriginal);
    }

    std::vector<std::u16string> keys{u"kept"};
    info.GetDirectoryKeys(keys);
    EXPECT_EQ(keys, (std::vector<std::u16string>{u"kept", u"TARGETDIR", u"ProgramFilesFolder",
                                                 u"INSTALLDIR", u"BinDir"}));
    EXPECT_EQ(info.ResolveDirectoryKey(u"BinDir"), u"[ProgramFilesFolder]\\Rules App\\bin");
    info.ClosePackage();
    EXPECT_THROW(info.GetFileName(), CComException); // the package is closed again
    EXPECT_EQ(testing::FileBytes(testing::FixtureFile("patchrules")), before);
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
