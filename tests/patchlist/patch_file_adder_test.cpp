// The project side of adding files: the duplicate rule, the values each type gets from the
// original package, and new-file keys.

#include "VxWsApplicationFilesEP/patchlist/patch_file_adder.h"
#include "ide/framework/scripted_message_service.h"
#include "patchlist/patchlist_helpers.h"

#include "support/com_failure.h"

#include <gtest/gtest.h>

namespace vx {
namespace {

using namespace testing;

EntrySettings Read(const ComPtr<IPatchFile>& entry) {
    return SettingsOf(entry.Get());
}

// An adder over a project on the rules package.
class RulesAdder : public ::testing::Test {
protected:
    ScriptedMessageService messages;
    FixtureProject fixture{"patchrules"};
    CPatchFileAdder adder{fixture.patch.Get(), fixture.root.Get()};
};

TEST(PatchFileAdder, ExistingFilesGetRegistrationFromTheOriginalPackage) {
    // The second package holds the same rows with a quote in every key: keys are bound to the
    // queries, so a quote is just a character.
    for (const auto& [package, prefix] :
         {std::pair{"patchrules", u""}, std::pair{"patchrules_quotes", u"q'"}}) {
        SCOPED_TRACE(package);
        ScriptedMessageService messages;
        FixtureProject fixture(package);
        const auto before = FileBytes(FixtureFile(package));
        CPatchFileAdder adder(fixture.patch.Get(), fixture.root.Get());
        struct Case {
            const char16_t* key;
            bool selfReg;
            bool extractCom;
        };
        for (const Case& c : {Case{u"server.dll", false, true},    // key path, Class component
                              Case{u"helper.dll", false, false},   // same component, not key path
                              Case{u"typelib.dll", false, true},   // only in TypeLib
                              Case{u"selfreg.dll", true, false},   // SelfReg
                              Case{u"vxselfreg.dll", true, false}, // only VXSelfReg
                              Case{u"plain.exe", false, false}}) {
            const std::u16string key = prefix + std::u16string(c.key);
            // Nothing else is set for an existing file: the project's defaults.
            EntrySettings expected;
            expected.selfReg = c.selfReg;
            expected.extractCom = c.extractCom;
            EXPECT_EQ(Read(adder.AddPatchFile(key, kPatchTypeUpdate, u"")), expected)
                << Utf16ToUtf8(key);
        }
        EXPECT_TRUE(adder.DirectoryExists(prefix + std::u16string(u"BinDir")));
        EXPECT_EQ(adder.GetDefaultFeature(), prefix + std::u16string(u"Main"));
        EXPECT_TRUE(messages.Shown().empty()); // existing files never warn
        EXPECT_EQ(FileBytes(FixtureFile(package)), before);
    }
}

TEST_F(RulesAdder, ADuplicateShowsMessage4AndChangesNothing) {
    auto first = adder.AddPatchFile(u"plain.exe", kPatchTypeUpdate, u"");
    ThrowIfFailed(first->PutOverwrite(VARIANT_TRUE));
    EXPECT_FALSE(adder.AddPatchFile(u"plain.exe", kPatchTypeUpdate, u""));
    EXPECT_FALSE(adder.AddPatchFile(u"plain.exe", kPatchTypeNewFile, u"/x"));
    ASSERT_EQ(messages.Shown().size(), 2u);
    EXPECT_EQ(messages.Shown()[0].text, u"You cannot add the same file to the Patch Files list.");
    EXPECT_EQ(messages.Shown()[0].style, MB_OK);
    EntrySettings expected;
    expected.overwrite = true;
    EXPECT_EQ(Read(first), expected);
}

TEST(PatchFileAdder, NewFilesGetDestinationAndFeature) {
    ScriptedMessageService messages;
    {
        FixtureProject fixture("patchrules");
        CPatchFileAdder adder(fixture.patch.Get(), fixture.root.Get());
        EXPECT_TRUE(adder.DirectoryExists(u"INSTALLDIR"));
        EXPECT_FALSE(adder.DirectoryExists(u"installdir")); // keys are case-sensitive
        EXPECT_EQ(adder.GetDefaultFeature(), u"Main");
        EXPECT_EQ(Read(adder.AddPatchFile(u"new.dll", kPatchTypeNewFile, u"/src/new.dll")),
                  (EntrySettings{kPatchTypeNewFile, u"/src/new.dll", false, false, false, u"Main",
                                 u"INSTALLDIR"}));
    }
    {
        // No INSTALLDIR row, no top-level feature, none of the registration tables.
        FixtureProject fixture("patchrules_bare");
        CPatchFileAdder adder(fixture.patch.Get(), fixture.root.Get());
        EXPECT_FALSE(adder.HasSelfRegEntry(u"selfreg.dll"));
        EXPECT_FALSE(adder.HasComInfo(u"server.dll"));
        EXPECT_EQ(Read(adder.AddPatchFile(u"new.dll", kPatchTypeNewFile, u"/src/new.dll")),
                  (EntrySettings{kPatchTypeNewFile, u"/src/new.dll", false, false, false, u"",
                                 u"TARGETDIR"}));
    }
    EXPECT_TRUE(messages.Shown().empty());
}

TEST_F(RulesAdder, ANewFileThatRegistersWarnsOnce) {
    // Only an inconsistent package lists a new file's key: here the key of a registered file.
    EXPECT_TRUE(
        Read(adder.AddPatchFile(u"server.dll", kPatchTypeNewFile, u"/src/server.dll")).extractCom);
    ASSERT_EQ(messages.Shown().size(), 1u);
    EXPECT_EQ(messages.Shown()[0].style, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_NE(messages.Shown()[0].text.find(u"server.dll"), std::u16string::npos);
}

TEST_F(RulesAdder, NewFileKeysAvoidTheProjectAndTheOriginalPackage) {
    EXPECT_EQ(adder.MakeNewFileKey(u"fresh.txt"), u"fresh.txt");
    // readme.txt, readme.txt1 and readme.txt12 are File keys: the digits accumulate.
    EXPECT_EQ(adder.MakeNewFileKey(u"readme.txt"), u"readme.txt123");
    // The project answers notes.txt1 (notes.txt is taken), which the package has; the next base
    // is notes.txt1, whose answer is the package's again; then notes.txt12 is free everywhere.
    CreateEntry(fixture.patch.Get(), u"notes.txt");
    EXPECT_EQ(adder.MakeNewFileKey(u"notes.txt"), u"notes.txt12");
    EXPECT_EQ(adder.MakeNewFileKey(u"my setup.exe"), u"my_setup.exe");
    // The whole name up to the key column's 72 characters; beyond, the characters before the
    // extension give way.
    const std::u16string stem(65, u'n');
    EXPECT_EQ(adder.MakeNewFileKey(stem + u".dll"), stem + u".dll");
    EXPECT_EQ(adder.MakeNewFileKey(std::u16string(100, u'n') + u".dll"),
              std::u16string(68, u'n') + u".dll");
    EXPECT_EQ(adder.MakeNewFileKey(std::u16string(100, u'n')), std::u16string(72, u'n'));
}

TEST(PatchFileAdder, AMissingOriginalPackageIsAnInstallerFailure) {
    ScriptedMessageService messages;
    FixtureProject fixture("patchrules", u"${Fixtures}/nowhere.msi");
    CPatchFileAdder adder(fixture.patch.Get(), fixture.root.Get());
    const auto raised = RaisedBy([&] { adder.AddPatchFile(u"plain.exe", kPatchTypeUpdate, u""); });
    EXPECT_TRUE(
        raised.Mentions(u"MsiOpenDatabase(" + Utf8ToUtf16(VX_FIXTURE_DIR) + u"/nowhere.msi)"))
        << Utf16ToUtf8(raised.description);
    // What was written before the failure stays.
    EXPECT_TRUE(Entry(fixture.patch.Get(), u"plain.exe"));
}

} // namespace
} // namespace vx
