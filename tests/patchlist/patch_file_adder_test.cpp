// The project side of adding files: the duplicate rule, the values each type gets from the
// original package, and new-file keys.

#include "VxWsApplicationFilesEP/patchlist/patch_file_adder.h"
#include "ide/framework/scripted_message_service.h"
#include "patchlist/patchlist_helpers.h"

#include <gtest/gtest.h>

namespace vx {
namespace {

using testing::FixtureProject;

struct Settings {
    int32_t type = -1;
    std::u16string path;
    bool selfReg = false;
    bool extractCom = false;
    bool overwrite = false;
    std::u16string feature;
    std::u16string directory;
};

Settings Read(IPatchFile* entry) {
    Settings s;
    VARIANT_BOOL selfReg = 0, extractCom = 0, overwrite = 0;
    BStr path, feature, directory;
    ThrowIfFailed(entry->GetType(&s.type));
    ThrowIfFailed(entry->GetNewFilePath(path.Out()));
    ThrowIfFailed(entry->GetSelfReg(&selfReg));
    ThrowIfFailed(entry->GetExtractCOM(&extractCom));
    ThrowIfFailed(entry->GetOverwrite(&overwrite));
    ThrowIfFailed(entry->GetFeature(feature.Out()));
    ThrowIfFailed(entry->GetDestinationDir(directory.Out()));
    s.path = path.ToString();
    s.selfReg = selfReg != VARIANT_FALSE;
    s.extractCom = extractCom != VARIANT_FALSE;
    s.overwrite = overwrite != VARIANT_FALSE;
    s.feature = feature.ToString();
    s.directory = directory.ToString();
    return s;
}

TEST(PatchFileAdder, ExistingFilesGetRegistrationFromTheOriginalPackage) {
    ScriptedMessageService messages;
    FixtureProject fixture("patchrules");
    const auto before = testing::FileBytes(testing::FixtureFile("patchrules"));
    CPatchFileAdder adder(fixture.patch.Get(), fixture.root.Get());
    struct Case {
        const char16_t* key;
        bool selfReg;
        bool extractCom;
    };
    for (const Case& c : {Case{u"server.dll", false, true},    // key path of a Class component
                          Case{u"helper.dll", false, false},   // same component, not key path
                          Case{u"typelib.dll", false, true},   // only in TypeLib
                          Case{u"selfreg.dll", true, false},   // SelfReg
                          Case{u"vxselfreg.dll", true, false}, // only VXSelfReg
                          Case{u"plain.exe", false, false}}) {
        ComPtr<IPatchFile> entry = adder.AddPatchFile(c.key, kPatchTypeUpdate, u"");
        ASSERT_TRUE(entry) << Utf16ToUtf8(c.key);
        const Settings s = Read(entry.Get());
        EXPECT_EQ(s.type, kPatchTypeUpdate);
        EXPECT_EQ(s.selfReg, c.selfReg) << Utf16ToUtf8(c.key);
        EXPECT_EQ(s.extractCom, c.extractCom) << Utf16ToUtf8(c.key);
        // Not set for an existing file: the project's defaults.
        EXPECT_EQ(s.path, u"");
        EXPECT_EQ(s.feature, u"");
        EXPECT_EQ(s.directory, u"");
        EXPECT_FALSE(s.overwrite);
    }
    EXPECT_TRUE(messages.Shown().empty()); // existing files never warn
    EXPECT_EQ(testing::FileBytes(testing::FixtureFile("patchrules")), before);
}

TEST(PatchFileAdder, ADuplicateShowsMessage4AndChangesNothing) {
    ScriptedMessageService messages;
    FixtureProject fixture("patchrules");
    CPatchFileAdder adder(fixture.patch.Get(), fixture.root.Get());
    auto first = adder.AddPatchFile(u"plain.exe", kPatchTypeUpdate, u"");
    ThrowIfFailed(first->PutOverwrite(VARIANT_TRUE));
    EXPECT_FALSE(adder.AddPatchFile(u"plain.exe", kPatchTypeUpdate, u""));
    EXPECT_FALSE(adder.AddPatchFile(u"plain.exe", kPatchTypeNewFile, u"/x"));
    ASSERT_EQ(messages.Shown().size(), 2u);
    EXPECT_EQ(messages.Shown()[0].text, u"You cannot add the same file to the Patch Files list.");
    EXPECT_EQ(messages.Shown()[0].style, MB_OK);
    const Settings s = Read(first.Get());
    EXPECT_EQ(s.type, kPatchTypeUpdate);
    EXPECT_TRUE(s.overwrite);
    EXPECT_EQ(s.path, u"");
}

TEST(PatchFileAdder, NewFilesGetDestinationAndFeature) {
    ScriptedMessageService messages;
    {
        FixtureProject fixture("patchrules");
        CPatchFileAdder adder(fixture.patch.Get(), fixture.root.Get());
        EXPECT_TRUE(adder.DirectoryExists(u"INSTALLDIR"));
        EXPECT_FALSE(adder.DirectoryExists(u"installdir")); // keys are case-sensitive
        EXPECT_EQ(adder.GetDefaultFeature(), u"Main");
        const Settings s =
            Read(adder.AddPatchFile(u"new.dll", kPatchTypeNewFile, u"/src/new.dll").Get());
        EXPECT_EQ(s.type, kPatchTypeNewFile);
        EXPECT_EQ(s.path, u"/src/new.dll");
        EXPECT_EQ(s.directory, u"INSTALLDIR");
        EXPECT_EQ(s.feature, u"Main");
        EXPECT_FALSE(s.selfReg);
        EXPECT_FALSE(s.extractCom);
    }
    {
        // No INSTALLDIR row, no top-level feature, none of the registration tables.
        FixtureProject fixture("patchrules_bare");
        CPatchFileAdder adder(fixture.patch.Get(), fixture.root.Get());
        EXPECT_FALSE(adder.HasSelfRegEntry(u"selfreg.dll"));
        EXPECT_FALSE(adder.HasComInfo(u"server.dll"));
        const Settings s =
            Read(adder.AddPatchFile(u"new.dll", kPatchTypeNewFile, u"/src/new.dll").Get());
        EXPECT_EQ(s.directory, u"TARGETDIR");
        EXPECT_EQ(s.feature, u"");
    }
    EXPECT_TRUE(messages.Shown().empty());
}

TEST(PatchFileAdder, ANewFileThatRegistersWarnsOnce) {
    ScriptedMessageService messages;
    FixtureProject fixture("patchrules");
    CPatchFileAdder adder(fixture.patch.Get(), fixture.root.Get());
    // Only an inconsistent package lists a new file's key: here the key of a registered file.
    const Settings s =
        Read(adder.AddPatchFile(u"server.dll", kPatchTypeNewFile, u"/src/server.dll").Get());
    EXPECT_TRUE(s.extractCom);
    ASSERT_EQ(messages.Shown().size(), 1u);
    EXPECT_EQ(messages.Shown()[0].style, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_NE(messages.Shown()[0].text.find(u"server.dll"), std::u16string::npos);
}

TEST(PatchFileAdder, NewFileKeysAvoidTheProjectAndTheOriginalPackage) {
    ScriptedMessageService messages;
    FixtureProject fixture("patchrules");
    CPatchFileAdder adder(fixture.patch.Get(), fixture.root.Get());
    EXPECT_EQ(adder.MakeNewFileKey(u"fresh.txt"), u"fresh.txt");
    // readme.txt, readme.txt1 and readme.txt12 are File keys: the digits accumulate.
    EXPECT_EQ(adder.MakeNewFileKey(u"readme.txt"), u"readme.txt123");
    // The project answers notes.txt1 (notes.txt is taken), which the package has; the next base
    // is notes.txt1, whose answer is the package's again; then notes.txt12 is free everywhere.
    testing::CreateEntry(fixture.patch.Get(), u"notes.txt");
    EXPECT_EQ(adder.MakeNewFileKey(u"notes.txt"), u"notes.txt12");
    EXPECT_EQ(adder.MakeNewFileKey(u"my setup.exe"), u"my_setup.exe");
    const std::u16string longName(100, u'n');
    EXPECT_EQ(adder.MakeNewFileKey(longName), longName.substr(0, 60));
}

TEST(PatchFileAdder, AMissingOriginalPackageIsAnInstallerFailure) {
    ScriptedMessageService messages;
    FixtureProject fixture("patchrules", u"${Fixtures}/nowhere.msi");
    CPatchFileAdder adder(fixture.patch.Get(), fixture.root.Get());
    try {
        adder.AddPatchFile(u"plain.exe", kPatchTypeUpdate, u"");
        FAIL() << "no failure";
    } catch (const CComException& e) {
        EXPECT_NE(e.Description().find(u"MsiOpenDatabase(" + Utf8ToUtf16(VX_FIXTURE_DIR) +
                                       u"/nowhere.msi)"),
                  std::u16string::npos);
    }
    // What was written before the failure stays.
    EXPECT_TRUE(testing::Entry(fixture.patch.Get(), u"plain.exe"));
}

} // namespace
} // namespace vx
