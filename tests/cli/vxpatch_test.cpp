// vxpatch as a user runs it: output, messages and exit codes, with msitools as the reference
// for IDT export.

#include "support/run_command.h"
#include "support/test_paths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <sys/wait.h>

namespace {

using Outcome = vx::testing::CommandOutcome;

// Runs a shell command in a scratch folder (msiinfo writes stream files into the current one).
Outcome Shell(const std::string& command) {
    static const std::filesystem::path scratch = [] {
        auto dir = std::filesystem::temp_directory_path() / "vxpatch-test";
        std::filesystem::create_directories(dir);
        return dir;
    }();
    return vx::testing::RunCommand("cd '" + scratch.string() + "' && " + command);
}

std::string Quote(const std::string& s) {
    return "'" + s + "'";
}

Outcome Vxpatch(const std::string& arguments) {
    return Shell(std::string(VX_VXPATCH) + " " + arguments + " 2>&1");
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> Packages() {
    std::vector<std::string> packages;
    for (const char* name :
         {"basic", "nullable", "streams", "codepage", "longstring", "directories"}) {
        packages.push_back(std::string(VX_FIXTURE_DIR) + "/" + name + ".msi");
    }
    for (const char* name :
         {"putty-0.68-installer.msi", "msi_with_external_cab.msi", "NUnit-2.5.2.9222.msi"}) {
        if (std::filesystem::exists(vx::testing::CorpusFile(name))) {
            packages.push_back(vx::testing::CorpusFile(name).string());
        }
    }
    return packages;
}

} // namespace

TEST(Vxpatch, ExportIsByteIdenticalToMsitoolsForEveryTable) {
    int compared = 0;
    for (const auto& package : Packages()) {
        const Outcome tables = Shell("msiinfo tables " + Quote(package));
        ASSERT_EQ(tables.exitCode, 0) << package;
        for (const auto& table : Lines(tables.out)) {
            if (table == "_SummaryInformation" || table == "_ForceCodepage") {
                continue;
            }
            const Outcome theirs = Shell("msiinfo export " + Quote(package) + " " + Quote(table));
            const Outcome ours = Vxpatch("export " + Quote(package) + " " + Quote(table));
            EXPECT_EQ(ours.exitCode, 0) << package << " " << table << ": " << ours.out;
            EXPECT_TRUE(ours.out == theirs.out) << package << " " << table;
            ++compared;
        }
    }
    EXPECT_GT(compared, 60);
}

TEST(Vxpatch, TablesAndStreamsListWhatMsitoolsLists) {
    for (const auto& package : Packages()) {
        auto theirs = Lines(Shell("msiinfo tables " + Quote(package)).out);
        theirs.erase(theirs.begin(), theirs.begin() + 2); // _SummaryInformation, _ForceCodepage
        EXPECT_EQ(Lines(Vxpatch("tables " + Quote(package)).out), theirs) << package;
        EXPECT_EQ(Vxpatch("streams " + Quote(package)).out,
                  Shell("msiinfo streams " + Quote(package)).out)
            << package;
    }
}

TEST(Vxpatch, QueryBindsValuesAndPrintsRows) {
    const std::string basic = std::string(VX_FIXTURE_DIR) + "/basic.msi";
    const Outcome run = Vxpatch("query " + Quote(basic) +
                                " 'SELECT `Property`, `Value` FROM `Property` WHERE `Property` = ? "
                                "OR `Property` = ?' COLOR ANSWER");
    EXPECT_EQ(run.exitCode, 0);
    auto lines = Lines(run.out);
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (std::vector<std::string>{"ANSWER\t42", "COLOR\tblue"}));
    const Outcome summary = Vxpatch("suminfo " + Quote(basic));
    EXPECT_EQ(summary.exitCode, 0);
    EXPECT_NE(summary.out.find("Page count: 200\n"), std::string::npos) << summary.out;
}

TEST(Vxpatch, BadInputGivesAClearMessageAndAnExitCode) {
    const std::string basic = std::string(VX_FIXTURE_DIR) + "/basic.msi";
    Outcome run = Vxpatch("export /no/such.msi File");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.out.find("Windows Installer Error 2203: /no/such.msi"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("MsiOpenDatabase(/no/such.msi)"), std::string::npos);

    run = Vxpatch("export " + Quote(basic) + " NoSuchTable");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.out.find("Windows Installer Error 2228:"), std::string::npos) << run.out;

    run = Vxpatch("query " + Quote(basic) + " 'DELETE FROM File'");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.out.find("Windows Installer Error 2234:"), std::string::npos) << run.out;

    // A text file is not a package.
    run = Vxpatch("tables " + Quote(std::string(VX_FIXTURE_DIR) + "/../CMakeCache.txt"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.out.find("2203"), std::string::npos) << run.out;

    run = Vxpatch("export " + Quote(basic));
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.out.find("usage: vxpatch export PKG TABLE"), std::string::npos);
    EXPECT_EQ(Vxpatch("frobnicate").exitCode, 2);
    EXPECT_EQ(Vxpatch("--version").exitCode, 0);

    run = Vxpatch("version " + Quote(basic));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.out.find("has no version resource"), std::string::npos) << run.out;
}

TEST(Vxpatch, ReaderCommandsResolveCompareAndDescribe) {
    const std::string basic = Quote(std::string(VX_FIXTURE_DIR) + "/basic.msi");
    const std::string directories = Quote(std::string(VX_FIXTURE_DIR) + "/directories.msi");

    EXPECT_EQ(Vxpatch("dir " + directories + " SplitDir").out, "[ProgramFilesFolder]\\Long\\Sub\n");
    EXPECT_EQ(Vxpatch("dir " + directories + " SplitDir --source").out, "LongSrc\\SubSrc\n");
    EXPECT_EQ(Vxpatch("dir " + directories + " TARGETDIR").out, "TARGETDIR\n");
    const Outcome missing = Vxpatch("dir " + directories + " Nope");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.out.find("no Directory row \"Nope\""), std::string::npos) << missing.out;

    const auto dirs = Lines(Vxpatch("dirs " + directories).out);
    ASSERT_FALSE(dirs.empty());
    EXPECT_EQ(dirs.front(), "TARGETDIR\tTARGETDIR\tTARGETDIR");
    EXPECT_NE(std::find(dirs.begin(), dirs.end(), "CycleA\tB\\A\tB\\A"), dirs.end());

    EXPECT_EQ(Vxpatch("compare-versions 1.2.3.4 1.2.3.5").out, "1 DiffersBeyondThird\n");
    EXPECT_EQ(Vxpatch("compare-versions 2.0 10.0").out, "2 FirstOlder\n");
    EXPECT_EQ(Vxpatch("compare " + basic + " " + basic).out, "0 SameVersion\n");
    EXPECT_EQ(Vxpatch("compare " + basic + " " + directories).out, "2 OtherProduct\n");

    const std::string product = Vxpatch("product " + basic).out;
    EXPECT_NE(product.find("ProductCode: {1F3A2B4C-0000-4000-8000-000000000001}\n"),
              std::string::npos)
        << product;
    EXPECT_NE(product.find("ProductVersion: 1.2.3\n"), std::string::npos);
    EXPECT_NE(product.find("Schema: 200\n"), std::string::npos);
}

TEST(Vxpatch, TreePrintsTheOriginalSetupFiles) {
    const Outcome tree = Vxpatch("tree " + Quote(std::string(VX_FIXTURE_DIR) + "/basic.msi"));
    EXPECT_EQ(tree.exitCode, 0);
    EXPECT_EQ(tree.out, "Original Setup Files\n"
                        "  [ProgramFilesFolder]\n"
                        "    Fixture Basic\n"
                        "      bin\n"
                        "        Plugins Folder\n"
                        "          plugin.dll\n"
                        "        core.dll\n"
                        "      docs\n"
                        "        guide.txt\n"
                        "      app.exe\n"
                        "      readme.txt\n");
    EXPECT_EQ(Vxpatch("tree /no/such.msi").exitCode, 1);
}
