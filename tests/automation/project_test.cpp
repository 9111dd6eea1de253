// The project file through the automation objects: entries and their properties, lookup,
// enumeration order, deletion, unique values, change events, batches and the author's
// failures.

#include "ide/automation/project_batch.h"
#include "ide/automation/project_errors.h"
#include "support/project_helpers.h"
#include "support/scratch_folder.h"
#include "support/test_paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <vector>

namespace vx {
namespace {

using namespace testing;

class ProjectTest : public ::testing::Test {
protected:
    ScratchFolder folder;
    std::u16string path = folder.Wide("p.vxp");
};

TEST_F(ProjectTest, EveryPropertyIsWrittenAndReadBackAfterReopening) {
    EntrySettings written{kPatchTypeNewFile, u"/src/app.exe", true, true, true,
                          u"Main;Extras",    u"INSTALLDIR"};
    {
        auto patch = PatchOf(NewProject(path, u"${Media}/app.msi").Get());
        auto entry = CreateEntry(patch.Get(), u"app.exe");
        ThrowIfFailed(entry->PutType(written.type));
        ThrowIfFailed(entry->PutNewFilePath(written.newFilePath.c_str()));
        ThrowIfFailed(entry->PutSelfReg(VARIANT_TRUE));
        ThrowIfFailed(entry->PutExtractCOM(1)); // any non-zero is true
        ThrowIfFailed(entry->PutOverwrite(VARIANT_TRUE));
        ThrowIfFailed(entry->PutFeature(written.feature.c_str()));
        ThrowIfFailed(entry->PutDestinationDir(written.destinationDir.c_str()));
        CreateEntry(patch.Get(), u"untouched.dll");
    }
    auto patch = PatchOf(ReopenProject(path).Get());
    BStr original;
    ASSERT_EQ(patch->GetOriginalPackage(original.Out()), S_OK);
    EXPECT_EQ(original.ToString(), u"${Media}/app.msi"); // as entered, not expanded
    EXPECT_EQ(SettingsOf(Entry(patch.Get(), u"app.exe").Get()), written);
    // A new entry's defaults: update type, nothing set.
    EXPECT_EQ(SettingsOf(Entry(patch.Get(), u"untouched.dll").Get()), EntrySettings{});
}

TEST_F(ProjectTest, LookupAndEnumeration) {
    auto patch = PatchOf(NewProject(path, u"a.msi").Get());
    for (const char16_t* key : {u"zeta", u"alpha", u"Mid", u"beta"}) {
        CreateEntry(patch.Get(), key);
    }
    // Creation order, not key order, and a rename keeps the entry's place.
    ASSERT_EQ(Entry(patch.Get(), u"alpha")->PutKey(u"omega"), S_OK);
    EXPECT_EQ(KeysOf(patch.Get()),
              (std::vector<std::u16string>{u"zeta", u"omega", u"Mid", u"beta"}));
    int32_t count = 0;
    ASSERT_EQ(FilesOf(patch.Get())->GetCount(&count), S_OK);
    EXPECT_EQ(count, 4);

    // "None" is a success without an object; keys are case-sensitive.
    ComPtr<IPatchFile> none;
    const Variant missing(std::u16string_view{u"mid"});
    EXPECT_EQ(FilesOf(patch.Get())->Item(missing.Get(), none.ReleaseAndGetAddressOf()), S_FALSE);
    EXPECT_FALSE(none);
    const Variant number(int32_t{3});
    EXPECT_EQ(FilesOf(patch.Get())->Item(number.Get(), none.ReleaseAndGetAddressOf()),
              DISP_E_TYPEMISMATCH);

    // The enumerator's set is taken when it is made; Skip, Reset and Clone move over it.
    ComPtr<IEnumVARIANT> entries;
    ThrowIfFailed(FilesOf(patch.Get())->NewEnum(entries.ReleaseAndGetAddressOf()));
    CreateEntry(patch.Get(), u"later");
    EXPECT_EQ(entries->Skip(3), S_OK);
    ComPtr<IEnumVARIANT> copy;
    ASSERT_EQ(entries->Clone(copy.ReleaseAndGetAddressOf()), S_OK);
    VARIANT items[2];
    ULONG fetched = 0;
    EXPECT_EQ(copy->Next(2, items, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 1u);
    ComPtr<IPatchFile> last;
    ThrowIfFailed(
        items[0].punkVal->QueryInterface(IPatchFile::kIid, last.ReleaseAndGetVoidAddress()));
    EXPECT_EQ(ReadPatchEntry(last.Get()).key, u"beta");
    VariantClear(&items[0]);
    EXPECT_EQ(entries->Reset(), S_OK);
    EXPECT_EQ(entries->Skip(5), S_FALSE);
}

TEST_F(ProjectTest, DeleteThroughTheProjectItem) {
    auto patch = PatchOf(NewProject(path, u"a.msi").Get());
    auto entry = CreateEntry(patch.Get(), u"gone.dll");
    CreateEntry(patch.Get(), u"kept.dll");
    ComPtr<IProjectItem> item;
    ASSERT_EQ(entry.As(item), S_OK);
    ASSERT_EQ(item->Delete(), S_OK);
    EXPECT_FALSE(Entry(patch.Get(), u"gone.dll"));
    EXPECT_TRUE(Entry(patch.Get(), u"kept.dll"));

    // The object outlives its row: every call now says so, in the author's range.
    int32_t type = 0;
    const HRESULT hr = entry->GetType(&type);
    EXPECT_EQ(hr, VXPROJ_E_ENTRYGONE);
    EXPECT_NE(LastErrorText(hr).find("gone.dll"), std::string::npos);
    EXPECT_EQ(item->Delete(), VXPROJ_E_ENTRYGONE);
    EXPECT_EQ(entry->PutSelfReg(VARIANT_TRUE), VXPROJ_E_ENTRYGONE);
}

TEST_F(ProjectTest, OnlyAPatchProjectOffersThePatchProjectInterface) {
    auto other = NewProject(folder.Wide("setup.vxp"), u"", u"Installer");
    ComPtr<IKestromProject> link;
    EXPECT_EQ(other->QueryInterface(IKestromProject::kIid, link.ReleaseAndGetVoidAddress()),
              E_NOINTERFACE);
    EXPECT_FALSE(link);
    auto patch = NewProject(path, u"a.msi");
    EXPECT_EQ(patch->QueryInterface(IKestromProject::kIid, link.ReleaseAndGetVoidAddress()), S_OK);
    // Reopened, the type still decides.
    other = nullptr;
    EXPECT_EQ(ReopenProject(folder.Wide("setup.vxp"))
                  ->QueryInterface(IKestromProject::kIid, link.ReleaseAndGetVoidAddress()),
              E_NOINTERFACE);
}

TEST_F(ProjectTest, UniqueValuesAreFreeAndDerivedFromTheBase) {
    auto project = NewProject(path, u"a.msi");
    auto patch = PatchOf(project.Get());
    ComPtr<IProjectRoot> root;
    ASSERT_EQ(project->GetProjectRoot(root.ReleaseAndGetAddressOf()), S_OK);
    auto unique = [&](const char16_t* base) {
        BStr value;
        ThrowIfFailed(root->GetUniqueValue(kPatchFileTable, kPatchFileKeyColumn, base, -1, 0, 0,
                                           value.Out()));
        return value.ToString();
    };
    EXPECT_EQ(unique(u"notes.txt"), u"notes.txt");
    CreateEntry(patch.Get(), u"notes.txt");
    CreateEntry(patch.Get(), u"notes.txt1");
    EXPECT_EQ(unique(u"notes.txt"), u"notes.txt2");
    // Installer identifiers: other characters become "_", a leading digit gets "_" before it.
    EXPECT_EQ(unique(u"my file (2).txt"), u"my_file__2_.txt");
    EXPECT_EQ(unique(u"1st.dat"), u"_1st.dat");
    EXPECT_EQ(unique(u""), u"_");
    // A long base is cut so that the digits still fit the 72-character key.
    const std::u16string longBase(80, u'x');
    CreateEntry(patch.Get(), longBase.substr(0, 72));
    EXPECT_EQ(unique(longBase.c_str()), longBase.substr(0, 71) + u"1");

    BStr value;
    EXPECT_EQ(root->GetUniqueValue(u"File", u"File", u"x", -1, 0, 0, value.Out()), E_INVALIDARG);
    EXPECT_EQ(
        root->GetUniqueValue(kPatchFileTable, kPatchFileKeyColumn, u"x", 100, 0, 0, value.Out()),
        VXPROJ_E_BADVALUE);
}

TEST_F(ProjectTest, ChangesReachEveryListenerAfterTheyAreCommitted) {
    auto project = NewProject(path, u"a.msi");
    auto patch = PatchOf(project.Get());
    auto first = MakeComObject<RecordingSink>();
    auto second = MakeComObject<RecordingSink>();
    DWORD firstCookie = 0, secondCookie = 0;
    ASSERT_EQ(project->Advise(first.Get(), &firstCookie), S_OK);
    ASSERT_EQ(project->Advise(second.Get(), &secondCookie), S_OK);
    EXPECT_NE(firstCookie, secondCookie);

    auto entry = CreateEntry(patch.Get(), u"a.dll");
    ASSERT_EQ(entry->PutOverwrite(VARIANT_TRUE), S_OK);
    EXPECT_EQ(entry->PutType(7), VXPROJ_E_BADVALUE); // refused: no event
    ASSERT_EQ(patch->PutOriginalPackage(u"b.msi"), S_OK);
    ComPtr<IProjectItem> item;
    ASSERT_EQ(entry.As(item), S_OK);
    ASSERT_EQ(project->Unadvise(secondCookie), S_OK);
    ASSERT_EQ(item->Delete(), S_OK);

    const std::vector<std::u16string> all = {
        u"VXKestromFile a.dll 1 ", u"VXKestromFile a.dll 2 Overwrite", u"property OriginalPackage",
        u"VXKestromFile a.dll 3 "};
    EXPECT_EQ(first->events, all);
    EXPECT_EQ(second->events, std::vector<std::u16string>(all.begin(), all.end() - 1));
    EXPECT_EQ(project->Unadvise(secondCookie), E_INVALIDARG);
}

// SQLite's file change counter (header bytes 24 to 27) goes up by one with every committed
// transaction: the commits as another program sees them.
uint32_t CommitsOf(const std::filesystem::path& file) {
    const std::vector<uint8_t> bytes = FileBytes(file);
    return bytes.size() < 28 ? 0
                             : uint32_t{bytes[24]} << 24 | uint32_t{bytes[25]} << 16 |
                                   uint32_t{bytes[26]} << 8 | uint32_t{bytes[27]};
}

TEST_F(ProjectTest, ABatchIsOneCommitAnnouncedAfterIt) {
    // `nothingYet` checks, inside the batch, that nothing is committed or announced and that
    // another program sees nothing and waits for the project.
    using Writes = std::function<void(IProject*, IPatchProject*, const std::function<void()>&)>;
    const struct {
        const char* name;
        Writes writes;
        std::vector<std::u16string> keys;
        std::vector<std::u16string> events;
    } cases[] = {
        {"several entries; failed writes leave nothing and the batch goes on",
         [](IProject* project, IPatchProject* patch, const auto& nothingYet) {
             CProjectBatch batch(project);
             CreateEntry(patch, u"a.dll");
             ThrowIfFailed(CreateEntry(patch, u"b.dll")->PutOverwrite(VARIANT_TRUE));
             EXPECT_EQ(Entry(patch, u"before.dll")->PutKey(u"a.dll"), VXPROJ_E_DUPLICATE);
             EXPECT_EQ(Entry(patch, u"a.dll")->PutType(7), VXPROJ_E_BADVALUE);
             nothingYet();
             batch.Commit();
             batch.Commit(); // once only
         },
         {u"before.dll", u"a.dll", u"b.dll"},
         {kSeveralEntries}},
        {"one entry: each change told",
         [](IProject*, IPatchProject* patch, const auto&) {
             CProjectBatch batch(patch);
             auto entry = CreateEntry(patch, u"a.dll");
             ThrowIfFailed(entry->PutOverwrite(VARIANT_TRUE));
             ThrowIfFailed(entry->PutFeature(u"Main"));
             batch.Commit();
         },
         {u"before.dll", u"a.dll"},
         {u"VXKestromFile a.dll 1 ", u"VXKestromFile a.dll 2 Overwrite",
          u"VXKestromFile a.dll 2 Feature"}},
        {"nested: the outermost commits",
         [](IProject* project, IPatchProject* patch, const auto& nothingYet) {
             CProjectBatch outer(patch);
             {
                 CProjectBatch inner(project);
                 CreateEntry(patch, u"a.dll");
                 inner.Commit();
             }
             nothingYet();
             CreateEntry(patch, u"b.dll");
             outer.Commit();
         },
         {u"before.dll", u"a.dll", u"b.dll"},
         {kSeveralEntries}},
        {"left by an exception: what was written is committed",
         [](IProject* project, IPatchProject* patch, const auto&) {
             try {
                 CProjectBatch batch(project);
                 CreateEntry(patch, u"a.dll");
                 CreateEntry(patch, u"b.dll");
                 CreateEntry(patch, u"a.dll"); // throws: a duplicate
                 ADD_FAILURE() << "the duplicate was added";
             } catch (const CComException& failure) {
                 EXPECT_EQ(failure.hr(), VXPROJ_E_DUPLICATE);
             }
         },
         {u"before.dll", u"a.dll", u"b.dll"},
         {kSeveralEntries}},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = "batch" + std::to_string(n++) + ".vxp";
        auto project = NewProject(folder.Wide(name), u"a.msi");
        auto patch = PatchOf(project.Get());
        CreateEntry(patch.Get(), u"before.dll");
        auto sink = Listen(project.Get());
        const uint32_t before = CommitsOf(folder.Path(name));
        const auto nothingYet = [&] {
            EXPECT_EQ(CommitsOf(folder.Path(name)), before);
            EXPECT_TRUE(sink->events.empty());
            ProjectOpenOptions impatient;
            impatient.busyTimeoutMs = 50;
            auto other = PatchOf(ReopenProject(folder.Wide(name), impatient).Get());
            EXPECT_EQ(KeysOf(other.Get()), std::vector<std::u16string>{u"before.dll"});
            ComPtr<IUnknown> item;
            EXPECT_EQ(
                other->CreateItem(kPatchFileItemKind, u"c.dll", u"", item.ReleaseAndGetAddressOf()),
                VXPROJ_E_BUSY);
        };
        c.writes(project.Get(), patch.Get(), nothingYet);
        EXPECT_EQ(CommitsOf(folder.Path(name)), before + 1);
        EXPECT_EQ(sink->events, c.events);
        EXPECT_EQ(KeysOf(PatchOf(ReopenProject(folder.Wide(name)).Get()).Get()), c.keys);
    }
}

TEST_F(ProjectTest, AnUpdateLeftOpenKeepsWhatItWrote) {
    {
        auto project = NewProject(path, u"a.msi");
        auto patch = PatchOf(project.Get());
        ComPtr<IProjectUpdate> update;
        ASSERT_EQ(patch.As(update), S_OK);
        EXPECT_EQ(update->EndUpdate(), S_OK); // an end without a beginning does nothing
        ASSERT_EQ(update->BeginUpdate(), S_OK);
        CreateEntry(patch.Get(), u"kept.dll");
    }
    EXPECT_EQ(KeysOf(PatchOf(ReopenProject(path).Get()).Get()),
              std::vector<std::u16string>{u"kept.dll"});
}

TEST_F(ProjectTest, ValuesTheTableCannotHoldAreRefusedAndLeaveTheFileAsItWas) {
    auto patch = PatchOf(NewProject(path, u"a.msi").Get());
    auto entry = CreateEntry(patch.Get(), u"a.dll");
    CreateEntry(patch.Get(), u"c.dll");
    const std::filesystem::path file = folder.Path("p.vxp");
    const auto before = FileBytes(file);

    ComPtr<IUnknown> item;
    const HRESULT duplicate =
        patch->CreateItem(kPatchFileItemKind, u"a.dll", u"", item.ReleaseAndGetAddressOf());
    EXPECT_EQ(duplicate, VXPROJ_E_DUPLICATE);
    EXPECT_NE(LastErrorText(duplicate).find("already has an entry"), std::string::npos);
    EXPECT_EQ(patch->CreateItem(kPatchFileItemKind, std::u16string(73, u'k').c_str(), u"",
                                item.ReleaseAndGetAddressOf()),
              VXPROJ_E_BADVALUE);
    EXPECT_EQ(patch->CreateItem(kPatchFileItemKind, u"", u"", item.ReleaseAndGetAddressOf()),
              VXPROJ_E_BADVALUE);
    EXPECT_EQ(patch->CreateItem(3, u"b.dll", u"", item.ReleaseAndGetAddressOf()), E_INVALIDARG);
    EXPECT_EQ(entry->PutType(3), VXPROJ_E_BADVALUE);
    EXPECT_EQ(entry->PutType(-1), VXPROJ_E_BADVALUE);
    EXPECT_EQ(entry->PutDestinationDir(std::u16string(73, u'D').c_str()), VXPROJ_E_BADVALUE);
    const HRESULT tooLong = entry->PutNewFilePath(std::u16string(32768, u'p').c_str());
    EXPECT_EQ(tooLong, VXPROJ_E_BADVALUE);
    EXPECT_NE(LastErrorText(tooLong).find("too long"), std::string::npos);
    // Refused inside the write transaction, after the lock was taken.
    EXPECT_EQ(Entry(patch.Get(), u"c.dll")->PutKey(u"a.dll"), VXPROJ_E_DUPLICATE);

    EXPECT_EQ(FileBytes(file), before);
    EXPECT_EQ(KeysOf(patch.Get()), (std::vector<std::u16string>{u"a.dll", u"c.dll"}));
    EXPECT_EQ(entry->PutKey(u"a.dll"), S_OK); // renaming to itself is no conflict
}

TEST_F(ProjectTest, PathVariablesAreStoredAndExpanded) {
    auto project = NewProject(path, u"${Media}/app.msi");
    ASSERT_EQ(project->PutPathVariable(u"Media", u"${Share}/media"), S_OK);
    ASSERT_EQ(project->PutPathVariable(u"Share", u"/srv/share"), S_OK);
    EXPECT_EQ(project->PutPathVariable(u"9lives", u"x"), VXPROJ_E_BADVALUE);
    EXPECT_EQ(project->PutPathVariable(u"ProjectFolder", u"x"), VXPROJ_E_BADVALUE);
    ComPtr<IPathVariables> variables;
    ASSERT_EQ(PatchOf(project.Get()).As(variables), S_OK);
    BStr value;
    ASSERT_EQ(variables->GetPathVariable(u"media", value.Out()), S_OK); // names ignore case
    EXPECT_EQ(value.ToString(), u"${Share}/media");
    EXPECT_EQ(variables->GetPathVariable(u"Nothing", value.Out()), S_FALSE);
    ASSERT_EQ(variables->GetPathVariable(kProjectFolderVariable, value.Out()), S_OK);
    EXPECT_EQ(value.ToString(), Utf8ToUtf16(folder.Root().string()));

    BStr names;
    ASSERT_EQ(project->GetPathVariableNames(names.Out()), S_OK);
    EXPECT_EQ(names.ToString(), u"Media\nShare");
    ASSERT_EQ(project->PutPathVariable(u"Share", u""), S_OK); // empty removes
    ASSERT_EQ(project->GetPathVariableNames(names.Out()), S_OK);
    EXPECT_EQ(names.ToString(), u"Media");
}

} // namespace
} // namespace vx
