// Project files that cannot be used: damaged, of another kind, of a newer schema, read-only,
// busy. Each gives the author a clear error in the 2000-2199 range and is never written.

#include "automation/project_helpers.h"
#include "ide/automation/project_errors.h"
#include "support/scratch_folder.h"
#include "support/test_paths.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>

namespace vx {
namespace {

using testing::CreateEntry;
using testing::LastErrorText;
using testing::NewProject;
using testing::PatchOf;

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

    testing::ScratchFolder folder;
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
        const auto before =
            is_regular_file(file) ? testing::FileBytes(file) : std::vector<uint8_t>();
        ComPtr<IProject> project;
        const HRESULT hr =
            OpenProject(Utf8ToUtf16(file.string()), {}, project.ReleaseAndGetAddressOf());
        EXPECT_EQ(hr, expected);
        EXPECT_FALSE(project);
        // In the author's range of errors.
        EXPECT_GE(HRESULT_CODE(hr), 2000u);
        EXPECT_LE(HRESULT_CODE(hr), 2199u);
        EXPECT_NE(LastErrorText(hr).find(text), std::string::npos) << LastErrorText(hr);
        EXPECT_EQ(is_regular_file(file) ? testing::FileBytes(file) : std::vector<uint8_t>(),
                  before);
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
    EXPECT_EQ(testing::FileBytes(existing), std::vector<uint8_t>(notes.begin(), notes.end()));
    // Nothing is left behind where the new file was being built.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Root()), {}), 1);
}

TEST_F(ProjectFileTest, AReadOnlyProjectIsReadButNotWritten) {
    const auto file = MakeProject("readonly.vxp");
    std::filesystem::permissions(file, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::group_read);
    const auto before = testing::FileBytes(file);
    auto patch = PatchOf(testing::ReopenProject(Utf8ToUtf16(file.string())).Get());
    EXPECT_TRUE(testing::Entry(patch.Get(), u"file7"));
    const HRESULT hr = patch->PutOriginalPackage(u"b.msi");
    EXPECT_EQ(hr, VXPROJ_E_READONLY);
    EXPECT_NE(LastErrorText(hr).find("is read-only"), std::string::npos);
    ComPtr<IUnknown> item;
    EXPECT_EQ(patch->CreateItem(kPatchFileItemKind, u"x", u"", item.ReleaseAndGetAddressOf()),
              VXPROJ_E_READONLY);
    EXPECT_EQ(testing::FileBytes(file), before);
}

TEST_F(ProjectFileTest, AProjectHeldByAnotherWriterIsReportedBusy) {
    const auto file = MakeProject("busy.vxp");
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);

    ProjectOpenOptions shortWait;
    shortWait.busyTimeoutMs = 50;
    auto patch = PatchOf(testing::ReopenProject(Utf8ToUtf16(file.string()), shortWait).Get());
    EXPECT_TRUE(testing::Entry(patch.Get(), u"file1")); // readers still read
    ComPtr<IUnknown> item;
    const HRESULT hr =
        patch->CreateItem(kPatchFileItemKind, u"late", u"", item.ReleaseAndGetAddressOf());
    EXPECT_EQ(hr, VXPROJ_E_BUSY);
    EXPECT_NE(LastErrorText(hr).find("in use by another program"), std::string::npos);

    ASSERT_EQ(sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(other);
    EXPECT_EQ(patch->CreateItem(kPatchFileItemKind, u"late", u"", item.ReleaseAndGetAddressOf()),
              S_OK);
}

} // namespace
} // namespace vx
