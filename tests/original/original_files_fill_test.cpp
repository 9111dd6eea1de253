// The fill of the Original Setup Files tree from real packages built by the fixtures.

#include "VxWsApplicationFilesEP/original/original_files_fill.h"
#include "platform/sys/wide_string.h"
#include "support/child_process.h"
#include "support/scratch_folder.h"
#include "support/test_paths.h"

#include <gtest/gtest.h>

#include <vector>

#include <filesystem>

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
    // A copy of the fixture with one more file whose component lies in TARGETDIR.
    vx::testing::ScratchFolder scratch;
    std::filesystem::copy_file(FixtureFile("directories"), scratch.Path("rooted.msi"));
    scratch.Write("Component.add",
                  "C_Root\t{00000009-0000-4000-8000-0000000000FF}\tTARGETDIR\t0\t\tF_Root\r\n");
    scratch.Write("File.add", "F_Root\tC_Root\tROOT.TXT|root file.txt\t5\t\t\t512\t99\r\n");
    const auto run = vx::testing::RunShell(
        "cd " + vx::testing::Quote(scratch.Root().string()) +
        " && for t in Component File; do msiinfo export rooted.msi $t > $t.idt && cat $t.add >> "
        "$t.idt; "
        "done && msibuild rooted.msi -i Component.idt File.idt && msiinfo export rooted.msi File");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ASSERT_NE(run.out.find("F_Root"), std::string::npos);
    EXPECT_EQ(Fill(scratch.Path("rooted.msi").string()), Fill(FixtureFile("directories")));
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
