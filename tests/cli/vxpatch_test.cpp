// vxpatch as a user runs it: output, messages and exit codes, with msitools as the reference
// for IDT export.

#include "cli/vxpatch_run.h"
#include "support/scratch_folder.h"
#include "support/test_paths.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace vx::testing;

// Commands run in a scratch folder (msiinfo writes stream files into the current one).
const ScratchFolder kScratch;

ChildOutcome Shell(const std::string& command) {
    return RunShell("cd " + Quote(kScratch.Root().string()) + " && " + command);
}

ChildOutcome Vxpatch(const std::string& arguments) {
    return RunVxpatch(kScratch.Root(), arguments + " 2>&1");
}

std::string Fixture(const std::string& name) {
    return Quote(FixtureFile(name));
}

} // namespace

TEST(Vxpatch, ExportTablesAndStreamsAreWhatMsitoolsGives) {
    std::vector<std::string> packages;
    for (const char* name :
         {"basic", "nullable", "streams", "codepage", "longstring", "directories"}) {
        packages.push_back(Fixture(name));
    }
    for (const auto& path : CorpusPackages()) {
        packages.push_back(Quote(path.string()));
    }
    int compared = 0;
    for (const auto& package : packages) {
        SCOPED_TRACE(package);
        auto tables = Lines(Shell("msiinfo tables " + package).out);
        ASSERT_GT(tables.size(), 2u);
        tables.erase(tables.begin(), tables.begin() + 2); // _SummaryInformation, _ForceCodepage
        EXPECT_EQ(Lines(Vxpatch("tables " + package).out), tables);
        EXPECT_EQ(Vxpatch("streams " + package).out, Shell("msiinfo streams " + package).out);
        for (const auto& table : tables) {
            const ChildOutcome ours = Vxpatch("export " + package + " " + Quote(table));
            EXPECT_EQ(ours.exitCode, 0) << table << ": " << ours.out;
            EXPECT_TRUE(ours.out == Shell("msiinfo export " + package + " " + Quote(table)).out)
                << table;
            ++compared;
        }
    }
    EXPECT_GT(compared, 60);
}

TEST(Vxpatch, CommandsAnswerWithTheirOutputMessagesAndExitCodes) {
    const std::string basic = Fixture("basic");
    const std::string directories = Fixture("directories");
    struct Case {
        std::string arguments;
        int exitCode;
        std::string output; // a part of what it prints; with a leading '^', how it begins
    };
    const Case cases[] = {
        {"export /no/such.msi File", 1, "Windows Installer Error 2203: /no/such.msi"},
        {"export /no/such.msi File", 1, "MsiOpenDatabase(/no/such.msi)"},
        {"export " + basic + " NoSuchTable", 1, "Windows Installer Error 2228:"},
        {"query " + basic + " 'DELETE FROM File'", 1, "Windows Installer Error 2234:"},
        {"export " + basic, 2, "usage: vxpatch export PKG TABLE"},
        {"frobnicate", 2, ""},
        {"--version", 0, ""},
        {"version " + basic, 1, "has no version resource"},
        {"suminfo " + basic, 0, "Page count: 200\n"},
        {"dir " + directories + " SplitDir", 0, "[ProgramFilesFolder]\\Long\\Sub\n"},
        {"dir " + directories + " SplitDir --source", 0, "LongSrc\\SubSrc\n"},
        {"dir " + directories + " Nope", 1, "no Directory row \"Nope\""},
        {"dirs " + directories, 0, "^TARGETDIR\tTARGETDIR\tTARGETDIR\n"},
        {"compare-versions 2.0 10.0", 0, "2 FirstOlder\n"},
        {"compare " + basic + " " + basic, 0, "0 SameVersion\n"},
        {"compare " + basic + " " + directories, 0, "2 OtherProduct\n"},
        {"product " + basic, 0, "ProductCode: {1F3A2B4C-0000-4000-8000-000000000001}\n"},
        {"tree /no/such.msi", 1, ""},
        // Installer files of other kinds are named for what they are, whatever their name.
        {"tree " + Fixture("otherkind_patch"), 1, "is a patch package (.msp), not an installer"},
        {"product " + Fixture("otherkind_transform"), 1, "is a transform (.mst), not an"},
        {"extract-all " + Fixture("otherkind_module") + " out", 1, "is a merge module (.msm)"},
        {"tables " + Fixture("otherkind_patch"), 0, "Property\n"},
        {"tables " + Quote(std::string(VX_FIXTURE_DIR) + "/../CMakeCache.txt"), 1,
         "is not a Windows Installer package: it is not a compound file"},
        {"new p.vxp --original " + Fixture("otherkind_module"), 1, "is a merge module (.msm)"},
        {"info p.vxp", 1, ""}, // the refused project was not made
        {"scan p.vxp", 2, "usage: vxpatch scan PROJECT FOLDER"},
        {"scan p.vxp . --deletes", 2, "usage: vxpatch scan"}, // deletes are applied only
        {"scan p.vxp . --everything", 2, "usage: vxpatch scan"},
        {"scan p.vxp .", 1, "p.vxp"},
    };
    for (const Case& c : cases) {
        const ChildOutcome run = Vxpatch(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments;
        const bool atStart = c.output.starts_with('^');
        const size_t found = run.out.find(c.output.substr(atStart ? 1 : 0));
        EXPECT_TRUE(atStart ? found == 0 : found != std::string::npos) << c.arguments << "\n"
                                                                       << run.out;
    }
}

TEST(Vxpatch, QueryBindsValuesAndTreePrintsTheOriginalSetupFiles) {
    const ChildOutcome query = Vxpatch("query " + Fixture("basic") +
                                       " 'SELECT `Property`, `Value` FROM `Property` WHERE "
                                       "`Property` = ? OR `Property` = ?' COLOR ANSWER");
    EXPECT_EQ(query.exitCode, 0);
    auto lines = Lines(query.out);
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (std::vector<std::string>{"ANSWER\t42", "COLOR\tblue"}));
    EXPECT_EQ(Vxpatch("tree " + Fixture("basic")).out, "Original Setup Files\n"
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
}
