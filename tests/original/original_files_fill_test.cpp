// The fill of the Original Setup Files tree from real packages built by the fixtures.

#include "VxWsApplicationFilesEP/original/original_files_fill.h"
#include "platform/sys/wide_string.h"
#include "support/test_paths.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vx;

namespace {

using vx::testing::FixtureFile;

std::string Fill(const std::string& path) {
    OriginalFilesModel model(kOriginalSetupFilesLabel);
    FillOriginalFiles(model, Utf8ToUtf16(path));
    return Utf16ToUtf8(model.Print());
}

} // namespace

TEST(OriginalFilesFill, EveryFolderFormEndsUpWhereItsRulesPutIt) {
    // Missing parents give a folder with an empty label; a self-parented root and both members
    // of a parent cycle stand at the top; a Property value names a root and its trailing
    // backslash adds nothing; the same folder reached through "." rows is one folder.
    EXPECT_EQ(Fill(FixtureFile("directories")), "Original Setup Files\n"
                                                "  \n"
                                                "    Case\n"
                                                "      file 11.txt\n"
                                                "    Orphan\n"
                                                "      file 8.txt\n"
                                                "  [ProgramFilesFolder]\n"
                                                "    Long\n"
                                                "      :Sub\n"
                                                "        file 5.txt\n"
                                                "      Sub\n"
                                                "        Nested Folder\n"
                                                "          file 6.txt\n"
                                                "        file 4.txt\n"
                                                "      file 1.txt\n"
                                                "      file 2.txt\n"
                                                "      file 3.txt\n"
                                                "    file 0.txt\n"
                                                "  A\n"
                                                "    B\n"
                                                "      file 10.txt\n"
                                                "  B\n"
                                                "    A\n"
                                                "      file 9.txt\n"
                                                "  D:\n"
                                                "    Shared\n"
                                                "      Data\n"
                                                "        file 12.txt\n"
                                                "  Self\n"
                                                "    file 7.txt\n");
}

TEST(OriginalFilesFill, FilesOfTargetDirItselfAreNotShown) {
    // The media fixture's top.txt and readme.txt lie in TARGETDIR.
    const std::string tree = Fill(std::string(VX_FIXTURE_DIR) + "/media/media.msi");
    EXPECT_NE(tree.find("      emb one.txt\n"), std::string::npos) << tree;
    for (const char* file : {"top.txt", "readme.txt"}) {
        EXPECT_EQ(tree.find(file), std::string::npos) << tree;
    }
}

TEST(OriginalFilesFill, APackageThatCannotBeOpenedLeavesTheRootAlone) {
    EXPECT_EQ(Fill("/no/such/package.msi"), "Original Setup Files\n");
}

TEST(OriginalFilesFill, ACancelledFillKeepsTheFilesReadSoFar) {
    OriginalFilesModel model(kOriginalSetupFilesLabel);
    std::vector<size_t> reports;
    FillOriginalFiles(model, Utf8ToUtf16(vx::testing::FixtureFile("big5k")), [&](size_t rows) {
        reports.push_back(rows);
        return reports.size() < 2;
    });
    EXPECT_EQ(reports, (std::vector<size_t>{kRowsPerReport, 2 * kRowsPerReport}));
    EXPECT_EQ(model.FileCount(), 2 * kRowsPerReport);
}

TEST(OriginalFilesFill, ReadsTheCorpusAndNeverWritesIt) {
    VX_REQUIRE_CORPUS("NUnit-2.5.2.9222.msi");
    const auto path = vx::testing::CorpusFile("NUnit-2.5.2.9222.msi");
    const auto before = vx::testing::FileBytes(path);
    OriginalFilesModel model(kOriginalSetupFilesLabel);
    FillOriginalFiles(model, Utf8ToUtf16(path.string()));
    EXPECT_EQ(model.FileCount(), 296u); // every NUnit file lies below INSTALLDIR
    EXPECT_EQ(vx::testing::FileBytes(path), before);
}
