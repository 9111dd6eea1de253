// The fill of the Original Setup Files tree from real packages built by the fixtures.

#include "VxWsApplicationFilesEP/original/original_files_fill.h"
#include "platform/sys/wide_string.h"
#include "support/test_paths.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

using namespace vx;

namespace {

std::string Fixture(const char* name) { return std::string(VX_FIXTURE_DIR) + "/" + name + ".msi"; }

std::string Fill(const std::string& path) {
    OriginalFilesModel model(kOriginalSetupFilesLabel);
    FillOriginalFiles(model, Utf8ToUtf16(path));
    return Utf16ToUtf8(model.Print());
}

int Shell(const std::string& command) { return std::system(command.c_str()); }

} // namespace

TEST(OriginalFilesFill, EveryFolderFormEndsUpWhereItsRulesPutIt) {
    // Missing parents give a folder with an empty label; a self-parented root and both members
    // of a parent cycle stand at the top; a Property value names a root and its trailing
    // backslash adds nothing; the same folder reached through "." rows is one folder.
    EXPECT_EQ(Fill(Fixture("directories")), "Original Setup Files\n"
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

TEST(OriginalFilesFill, ShortLongNamesShowTheirLongPart) {
    const std::string tree = Fill(Fixture("basic"));
    EXPECT_NE(tree.find("        Plugins Folder\n          plugin.dll\n"), std::string::npos)
        << tree;
    EXPECT_EQ(tree.find("PLUGIN~1"), std::string::npos);
}

TEST(OriginalFilesFill, FilesOfTargetDirItselfAreNotShown) {
    // A copy of the fixture with one more file whose component lies in TARGETDIR.
    const auto scratch = std::filesystem::temp_directory_path() / "vx-fill-test";
    std::filesystem::remove_all(scratch);
    std::filesystem::create_directories(scratch);
    const auto package = scratch / "rooted.msi";
    std::filesystem::copy_file(Fixture("directories"), package);
    const std::string cd = "cd '" + scratch.string() + "' && ";
    ASSERT_EQ(Shell(cd + "msiinfo export rooted.msi Component > Component.idt && "
                         "msiinfo export rooted.msi File > File.idt"),
              0);
    std::ofstream(scratch / "Component.idt", std::ios::app)
        << "C_Root\t{00000009-0000-4000-8000-0000000000FF}\tTARGETDIR\t0\t\tF_Root\r\n";
    std::ofstream(scratch / "File.idt", std::ios::app)
        << "F_Root\tC_Root\tROOT.TXT|root file.txt\t5\t\t\t512\t99\r\n";
    ASSERT_EQ(Shell(cd + "msibuild rooted.msi -i Component.idt File.idt"), 0);
    ASSERT_EQ(Shell(cd + "msiinfo export rooted.msi File | grep -q F_Root"), 0);

    const std::string tree = Fill(package.string());
    EXPECT_EQ(tree, Fill(Fixture("directories"))); // the extra file is nowhere
    std::filesystem::remove_all(scratch);
}

TEST(OriginalFilesFill, APackageThatCannotBeOpenedLeavesTheRootAlone) {
    EXPECT_EQ(Fill("/no/such/package.msi"), "Original Setup Files\n");
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
