// Project files that cannot be used: damaged, of another kind, of a newer schema. Each gives
// the author a clear error in the 2000-2199 range and is never written. And the file under an
// open project: changed by another program, deleted, replaced, read-only. (A busy file: the
// batch tests and vxpatch's.)

#include "ide/automation/project_errors.h"
#include "support/project_helpers.h"
#include "support/scratch_folder.h"
#include "support/test_paths.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <functional>

namespace vx {
namespace {

using namespace testing;

// Runs SQL on a file the way another program would.
void Sql(const std::filesystem::path& file, const char* statements) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, statements, nullptr, nullptr, nullptr), SQLITE_OK) << statements;
    sqlite3_close(db);
}

class ProjectFileTest : public ::testing::Test {
protected:
    // A project with enough entries to span several database pages.
    std::filesystem::path MakeProject(const std::string& name) {
        auto patch = PatchOf(NewProject(folder.Wide(name), u"a.msi").Get());
        for (int i = 0; i < 200; ++i) {
            auto entry = CreateEntry(patch.Get(), u"file" + Utf8ToUtf16(std::to_string(i)));
            ThrowIfFailed(entry->PutNewFilePath(std::u16string(100, u'p').c_str()));
        }
        return folder.Path(name);
    }

    ScratchFolder folder;
};

TEST_F(ProjectFileTest, UnusableFilesAreRefusedWithAReasonAndNeverWritten) {
    const auto scrambled = MakeProject("scrambled.vxp");
    {
        // Garbage over the pages after the first: the tables' pages no longer fit together.
        std::fstream out(scrambled, std::ios::binary | std::ios::in | std::ios::out);
        out.seekp(4096 + 100);
        for (int i = 0; i < 8000; ++i) {
            out.put(static_cast<char>(i * 37 + 11));
        }
    }
    const auto truncated = MakeProject("truncated.vxp");
    std::filesystem::resize_file(truncated, std::filesystem::file_size(truncated) / 2);
    const auto incomplete = MakeProject("incomplete.vxp"); // a table of ours dropped by a tool
    Sql(incomplete, "DROP TABLE VXPathVariable");
    const auto newer = MakeProject("newer.vxp");
    Sql(newer, "PRAGMA user_version = 2");
    Sql(folder.Path("other.db"), "CREATE TABLE t (x); INSERT INTO t VALUES (1);");
    const std::tuple<std::filesystem::path, HRESULT, std::string> refused[] = {
        {folder.Write("text.vxp", "This is a text file.\n" + std::string(2000, 'x')),
         VXPROJ_E_NOTPROJECT, "is not a project file"},
        {folder.Write("empty.vxp", ""), VXPROJ_E_NOTPROJECT, "is empty"},
        {folder.Path("other.db"), VXPROJ_E_NOTPROJECT, "database of another program"},
        {scrambled, VXPROJ_E_DAMAGED, "is damaged"},
        {truncated, VXPROJ_E_DAMAGED, "is damaged"},
        {incomplete, VXPROJ_E_DAMAGED, "missing or incomplete"},
        {newer, VXPROJ_E_NEWERSCHEMA, "newer version"},
        {folder.Path("missing.vxp"), VXPROJ_E_NOTFOUND, ""},
        {folder.Root(), VXPROJ_E_CANTOPEN, ""},
    };
    for (const auto& [file, expected, text] : refused) {
        SCOPED_TRACE(file.filename().string());
        const auto before = is_regular_file(file) ? FileBytes(file) : std::vector<uint8_t>();
        ComPtr<IProject> project;
        const HRESULT hr =
            OpenProject(Utf8ToUtf16(file.string()), {}, project.ReleaseAndGetAddressOf());
        EXPECT_EQ(hr, expected);
        EXPECT_FALSE(project);
        // In the author's range of errors.
        EXPECT_GE(HRESULT_CODE(hr), 2000u);
        EXPECT_LE(HRESULT_CODE(hr), 2199u);
        EXPECT_NE(LastErrorText(hr).find(text), std::string::npos) << LastErrorText(hr);
        EXPECT_EQ(is_regular_file(file) ? FileBytes(file) : std::vector<uint8_t>(), before);
        EXPECT_FALSE(std::filesystem::exists(file.string() + "-journal"));
    }
}

TEST_F(ProjectFileTest, ANewProjectNeverReplacesAFile) {
    const std::string notes = "someone's notes";
    const auto existing = folder.Write("taken.vxp", notes);
    ComPtr<IProject> project;
    const HRESULT hr = CreateProject(folder.Wide("taken.vxp"), kPatchProjectType, u"a.msi", {},
                                     project.ReleaseAndGetAddressOf());
    EXPECT_EQ(hr, VXPROJ_E_EXISTS);
    EXPECT_NE(LastErrorText(hr).find("already exists"), std::string::npos);
    EXPECT_EQ(FileBytes(existing), std::vector<uint8_t>(notes.begin(), notes.end()));
    // Nothing is left behind where the new file was being built.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Root()), {}), 1);
}

// A project of one entry, "mine.dll", in a folder of its own; opened read-only when asked.
struct Mine {
    Mine(const ScratchFolder& folder, const std::string& name, bool readOnly = false)
        : file(folder.Path(name + "/p.vxp")) {
        std::filesystem::create_directories(file.parent_path());
        project = NewProject(Wide(file), u"a.msi");
        CreateEntry(PatchOf(project.Get()).Get(), u"mine.dll");
        if (readOnly) {
            std::filesystem::permissions(file, kReadOnly);
            project = ReopenProject(Wide(file));
        }
        patch = PatchOf(project.Get());
        sink = Listen(project.Get());
    }
    static std::u16string Wide(const std::filesystem::path& path) {
        return Utf8ToUtf16(path.string());
    }
    // What another program finds in `name` beside the project file.
    std::vector<std::u16string> KeysIn(const std::string& name) const {
        return KeysOf(PatchOf(ReopenProject(Wide(Sibling(name))).Get()).Get());
    }
    std::filesystem::path Sibling(const std::string& name) const {
        return file.parent_path() / name;
    }
    // Another program puts a project holding "theirs.dll" in the file's place.
    void ReplaceWithTheirs() const {
        const auto theirs = Sibling("theirs.vxp");
        CreateEntry(PatchOf(NewProject(Wide(theirs), u"a.msi").Get()).Get(), u"theirs.dll");
        std::filesystem::rename(theirs, file);
    }
    ProjectFileCheck Check(std::u16string* notice = nullptr) const {
        ComPtr<IProjectOutsideChanges> outside;
        ThrowIfFailed(project.As(outside));
        ProjectFileCheck result = ProjectFileUnchanged;
        BStr text;
        ThrowIfFailed(outside->CheckForOutsideChanges(&result, text.Out()));
        if (notice) {
            *notice = text.ToString();
        }
        return result;
    }
    HRESULT Has() const {
        ComPtr<IProjectOutsideChanges> outside;
        ThrowIfFailed(patch.As(outside)); // the patch project object offers it too
        return outside->HasOutsideChanges();
    }

    static constexpr auto kReadOnly =
        std::filesystem::perms::owner_read | std::filesystem::perms::group_read;
    std::filesystem::path file;
    ComPtr<IProject> project;
    ComPtr<IPatchProject> patch;
    ComPtr<RecordingSink> sink;
};

TEST_F(ProjectFileTest, ChangesOutsideAreFoundAndAnnounced) {
    const std::u16string several = kSeveralEntries;
    const struct {
        const char* name;
        std::function<void(const Mine&)> outside;
        ProjectFileCheck found;
        std::string notice; // a part of it; empty: none
        std::vector<std::u16string> keys;
        std::vector<std::u16string> events;
        std::string goesOnIn; // the project's file afterwards
        std::string keptIn;   // the file holding the project as it was
    } cases[] = {
        {"nothing",
         [](const Mine&) {},
         ProjectFileUnchanged,
         "",
         {u"mine.dll"},
         {},
         "p.vxp",
         "p.vxp"},
        {"a write of its own",
         [](const Mine& m) { CreateEntry(m.patch.Get(), u"own.dll"); },
         ProjectFileUnchanged,
         "",
         {u"mine.dll", u"own.dll"},
         {u"VXKestromFile own.dll 1 "},
         "p.vxp",
         "p.vxp"},
        {"another program adds",
         [](const Mine& m) {
             CreateEntry(PatchOf(ReopenProject(Mine::Wide(m.file)).Get()).Get(), u"theirs.dll");
         },
         ProjectFileChangedOutside,
         "",
         {u"mine.dll", u"theirs.dll"},
         {several},
         "p.vxp",
         "p.vxp"},
        {"deleted",
         [](const Mine& m) { std::filesystem::remove(m.file); },
         ProjectFileRestored,
         "was deleted by another program",
         {u"mine.dll"},
         {},
         "p.vxp",
         "p.vxp"},
        {"replaced by another project",
         [](const Mine& m) { m.ReplaceWithTheirs(); },
         ProjectFileRecovered,
         "kept in \"",
         {u"theirs.dll"},
         {several},
         "p.vxp",
         "p-recovered.vxp"},
        {"replaced by a file that is not a project",
         [](const Mine& m) {
             std::ofstream(m.Sibling("notes.txt")) << "notes";
             std::filesystem::rename(m.Sibling("notes.txt"), m.file);
         },
         ProjectFileRecovered,
         "is not a Kestrom project",
         {u"mine.dll"},
         {several},
         "p-recovered.vxp",
         "p-recovered.vxp"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Mine mine(folder, c.name);
        c.outside(mine);
        EXPECT_EQ(mine.Has(), c.found == ProjectFileUnchanged ? S_FALSE : S_OK);
        std::u16string notice;
        EXPECT_EQ(mine.Check(&notice), c.found);
        EXPECT_EQ(notice.empty(), c.notice.empty());
        EXPECT_NE(Utf16ToUtf8(notice).find(c.notice), std::string::npos) << Utf16ToUtf8(notice);
        EXPECT_EQ(mine.Has(), S_FALSE); // told once
        EXPECT_EQ(mine.Check(), ProjectFileUnchanged);
        EXPECT_EQ(KeysOf(mine.patch.Get()), c.keys);
        EXPECT_EQ(mine.sink->events, c.events);
        BStr path;
        ThrowIfFailed(mine.project->GetFilePath(path.Out()));
        EXPECT_EQ(path.ToString(), Mine::Wide(mine.Sibling(c.goesOnIn)));
        EXPECT_EQ(mine.KeysIn(c.keptIn).front(), u"mine.dll");
    }
}

TEST_F(ProjectFileTest, AWriteFindsTheFileAsItIsNow) {
    const struct {
        const char* name;
        bool readOnlyWhenOpened;
        std::function<void(const Mine&)> outside;
        HRESULT hr;
        std::string text; // a part of the failure's description or of the next check's notice
        std::vector<std::u16string> inFile;
        ProjectFileCheck nextCheck;
    } cases[] = {
        {"read-only when opened",
         true,
         [](const Mine&) {},
         VXPROJ_E_READONLY,
         "is read-only",
         {u"mine.dll"},
         ProjectFileUnchanged},
        {"made read-only while open",
         false,
         [](const Mine& m) { std::filesystem::permissions(m.file, Mine::kReadOnly); },
         VXPROJ_E_READONLY,
         "is read-only",
         {u"mine.dll"},
         ProjectFileUnchanged},
        {"deleted",
         false,
         [](const Mine& m) { std::filesystem::remove(m.file); },
         S_OK,
         "was deleted",
         {u"mine.dll", u"new.dll"},
         ProjectFileRestored},
        {"replaced",
         false,
         [](const Mine& m) { m.ReplaceWithTheirs(); },
         VXPROJ_E_REPLACED,
         "p-recovered.vxp\". Your change was not made.",
         {u"theirs.dll"},
         ProjectFileRecovered},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Mine mine(folder, c.name, c.readOnlyWhenOpened);
        c.outside(mine);
        const auto bytes = FileBytes(mine.file);
        ComPtr<IUnknown> item;
        const HRESULT hr = mine.patch->CreateItem(kPatchFileItemKind, u"new.dll", u"",
                                                  item.ReleaseAndGetAddressOf());
        EXPECT_EQ(hr, c.hr);
        std::u16string notice;
        EXPECT_EQ(mine.Check(&notice), c.nextCheck);
        const std::string told = FAILED(hr) ? LastErrorText(hr) : Utf16ToUtf8(notice);
        EXPECT_NE(told.find(c.text), std::string::npos) << told;
        EXPECT_EQ(mine.KeysIn("p.vxp"), c.inFile);
        if (hr == VXPROJ_E_READONLY) {
            EXPECT_EQ(FileBytes(mine.file), bytes);
            // Writable again, the project writes again.
            std::filesystem::permissions(mine.file, std::filesystem::perms::owner_write,
                                         std::filesystem::perm_options::add);
            EXPECT_EQ(mine.patch->CreateItem(kPatchFileItemKind, u"new.dll", u"",
                                             item.ReleaseAndGetAddressOf()),
                      S_OK);
        }
        if (hr == VXPROJ_E_REPLACED) {
            EXPECT_EQ(mine.KeysIn("p-recovered.vxp"), std::vector<std::u16string>{u"mine.dll"});
        }
        // A write that restored the file says so at once; the check then tells the details.
        const bool restored =
            c.nextCheck == ProjectFileRestored || c.nextCheck == ProjectFileRecovered;
        EXPECT_EQ(mine.sink->events.size() > 0 &&
                      mine.sink->events.front() == u"property ProjectFile",
                  restored);
    }
}

} // namespace
} // namespace vx
