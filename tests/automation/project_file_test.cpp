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

    // Opens the file expecting `expected`; the description must contain `text`, and the file's
    // bytes must be what they were.
    void ExpectRefused(const std::filesystem::path& file, HRESULT expected,
                       const std::string& text) {
        const auto before = testing::FileBytes(file);
        ComPtr<IProject> project;
        const HRESULT hr =
            OpenProject(Utf8ToUtf16(file.string()), {}, project.ReleaseAndGetAddressOf());
        EXPECT_EQ(hr, expected) << file;
        EXPECT_FALSE(project);
        EXPECT_GE(HRESULT_CODE(hr), 2000u);
        EXPECT_LE(HRESULT_CODE(hr), 2199u);
        EXPECT_NE(LastErrorText(hr).find(text), std::string::npos) << LastErrorText(hr);
        EXPECT_EQ(testing::FileBytes(file), before);
        EXPECT_FALSE(std::filesystem::exists(file.string() + "-journal"));
    }

    testing::ScratchFolder folder;
};

TEST_F(ProjectFileTest, FilesThatAreNoProjectAreRefused) {
    ExpectRefused(
        folder.Write("text.vxp", "This is a text file, not a project.\n" + std::string(2000, 'x')),
        VXPROJ_E_NOTPROJECT, "is not a project file");
    ExpectRefused(folder.Write("empty.vxp", ""), VXPROJ_E_NOTPROJECT, "is empty");
    {
        // An SQLite database of another program.
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(folder.Path("other.db").c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE t (x); INSERT INTO t VALUES (1);", nullptr,
                               nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
    }
    ExpectRefused(folder.Path("other.db"), VXPROJ_E_NOTPROJECT, "database of another program");

    ComPtr<IProject> project;
    EXPECT_EQ(OpenProject(folder.Wide("missing.vxp"), {}, project.ReleaseAndGetAddressOf()),
              VXPROJ_E_NOTFOUND);
    EXPECT_EQ(
        OpenProject(Utf8ToUtf16(folder.Root().string()), {}, project.ReleaseAndGetAddressOf()),
        VXPROJ_E_CANTOPEN);
}

TEST_F(ProjectFileTest, DamagedProjectsAreRefused) {
    // Garbage over the pages after the first: the tables' pages no longer fit together.
    const auto scrambled = MakeProject("scrambled.vxp");
    {
        std::fstream out(scrambled, std::ios::binary | std::ios::in | std::ios::out);
        out.seekp(4096 + 100);
        for (int i = 0; i < 8000; ++i) {
            out.put(static_cast<char>(i * 37 + 11));
        }
    }
    ExpectRefused(scrambled, VXPROJ_E_DAMAGED, "is damaged");

    // Cut short.
    const auto truncated = MakeProject("truncated.vxp");
    std::filesystem::resize_file(truncated, std::filesystem::file_size(truncated) / 2);
    ExpectRefused(truncated, VXPROJ_E_DAMAGED, "is damaged");

    // A table of ours dropped by another tool.
    const auto incomplete = MakeProject("incomplete.vxp");
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(incomplete.c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, "DROP TABLE VXPathVariable", nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
    }
    ExpectRefused(incomplete, VXPROJ_E_DAMAGED, "missing or incomplete");
}

TEST_F(ProjectFileTest, ANewerSchemaIsRefusedAndLeftAlone) {
    const auto newer = MakeProject("newer.vxp");
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(newer.c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, "PRAGMA user_version = 2", nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
    }
    ExpectRefused(newer, VXPROJ_E_NEWERSCHEMA, "newer version");
}

TEST_F(ProjectFileTest, ANewProjectNeverReplacesAFile) {
    const auto existing = folder.Write("taken.vxp", "someone's notes");
    ComPtr<IProject> project;
    const HRESULT hr = CreateProject(folder.Wide("taken.vxp"), kPatchProjectType, u"a.msi", {},
                                     project.ReleaseAndGetAddressOf());
    EXPECT_EQ(hr, VXPROJ_E_EXISTS);
    EXPECT_NE(LastErrorText(hr).find("already exists"), std::string::npos);
    EXPECT_EQ(testing::FileBytes(existing),
              std::vector<uint8_t>(
                  {'s', 'o', 'm', 'e', 'o', 'n', 'e', '\'', 's', ' ', 'n', 'o', 't', 'e', 's'}));
    // Nothing is left behind where the new file was being built.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Root()), {}), 1);
}

TEST_F(ProjectFileTest, AReadOnlyProjectIsReadButNotWritten) {
    const auto file = MakeProject("readonly.vxp");
    std::filesystem::permissions(file, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::group_read);
    const auto before = testing::FileBytes(file);
    auto project = testing::ReopenProject(Utf8ToUtf16(file.string()));
    auto patch = PatchOf(project.Get());
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
    auto project = testing::ReopenProject(Utf8ToUtf16(file.string()), shortWait);
    auto patch = PatchOf(project.Get());
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
