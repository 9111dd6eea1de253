// vxpatch's project commands as an author runs them: output, messages, warnings and exit codes.

#include "support/scratch_folder.h"
#include "support/test_paths.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

namespace {

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string Quote(const std::string& s) {
    return "'" + s + "'";
}

class ProjectCommands : public ::testing::Test {
protected:
    Outcome Vxpatch(const std::string& arguments) {
        const auto errors = folder.Path("stderr.txt");
        const std::string command = "cd " + Quote(folder.Root().string()) + " && " + VX_VXPATCH +
                                    " " + arguments + " 2>" + Quote(errors.string());
        Outcome run;
        FILE* pipe = ::popen(command.c_str(), "r");
        std::array<char, 4096> buffer{};
        for (size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;) {
            run.out.append(buffer.data(), n);
        }
        const int status = ::pclose(pipe);
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::ifstream in(errors);
        run.err.assign(std::istreambuf_iterator<char>(in), {});
        return run;
    }

    const std::string rules = std::string(VX_FIXTURE_DIR) + "/patchrules.msi";
    vx::testing::ScratchFolder folder;
};

TEST_F(ProjectCommands, AProjectFromNewToRemove) {
    const auto before = vx::testing::FileBytes(rules);
    EXPECT_EQ(Vxpatch("new p.vxp --original " + Quote(rules)).exitCode, 0);
    const Outcome info = Vxpatch("info p.vxp");
    EXPECT_EQ(info.exitCode, 0);
    EXPECT_EQ(info.out, "Project: p.vxp\nType: Kestrom\nFormat: 1\nOriginal package: " + rules +
                            "\nOriginal package path: " + rules + "\nEntries: 0\n");

    const Outcome add = Vxpatch("add p.vxp selfreg.dll server.dll plain.exe");
    EXPECT_EQ(add.exitCode, 0) << add.err;
    EXPECT_EQ(add.err, "");
    folder.Write("tool.exe", "new file");
    const Outcome addNew = Vxpatch("add-new p.vxp tool.exe");
    EXPECT_EQ(addNew.exitCode, 0) << addNew.err;
    EXPECT_EQ(addNew.out, "tool.exe\n");
    EXPECT_EQ(Vxpatch("set p.vxp plain.exe Overwrite 1").exitCode, 0);
    EXPECT_EQ(Vxpatch("set p.vxp server.dll type 1").exitCode, 0); // names ignore case
    EXPECT_EQ(Vxpatch("set p.vxp tool.exe Feature 'Main;Extras'").exitCode, 0);
    EXPECT_EQ(Vxpatch("remove p.vxp selfreg.dll").exitCode, 0);

    const std::string tool = folder.Path("tool.exe").string();
    EXPECT_EQ(Vxpatch("list p.vxp").out, "server.dll\t1\t\t0\t1\t0\t\t\n"
                                         "plain.exe\t0\t\t0\t0\t1\t\t\n"
                                         "tool.exe\t2\t" +
                                             tool + "\t0\t0\t0\tMain;Extras\tINSTALLDIR\n");
    EXPECT_EQ(vx::testing::FileBytes(rules), before);
}

TEST_F(ProjectCommands, RefusalsAndTheirExitCodes) {
    ASSERT_EQ(Vxpatch("new p.vxp --original " + Quote(rules)).exitCode, 0);
    // A duplicate is refused with message 4; the other keys are still added.
    ASSERT_EQ(Vxpatch("add p.vxp plain.exe").exitCode, 0);
    const Outcome duplicate = Vxpatch("add p.vxp helper.dll plain.exe typelib.dll");
    EXPECT_EQ(duplicate.exitCode, 1);
    EXPECT_EQ(duplicate.err, "vxpatch: You cannot add the same file to the Patch Files list.\n");
    EXPECT_NE(Vxpatch("list p.vxp").out.find("typelib.dll\t0"), std::string::npos);

    // A key the package lacks adds nothing at all.
    const Outcome unknown = Vxpatch("add p.vxp server.dll nosuch.dll");
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unknown.err.find("\"nosuch.dll\" is not a File key"), std::string::npos);
    EXPECT_EQ(Vxpatch("list p.vxp").out.find("server.dll"), std::string::npos);

    EXPECT_EQ(Vxpatch("set p.vxp plain.exe Type 4").exitCode, 1);
    EXPECT_EQ(Vxpatch("set p.vxp plain.exe SelfReg maybe").exitCode, 1);
    EXPECT_EQ(Vxpatch("set p.vxp plain.exe Colour 1").exitCode, 2);
    EXPECT_EQ(Vxpatch("set p.vxp missing.exe SelfReg 1").exitCode, 1);
    EXPECT_EQ(Vxpatch("remove p.vxp missing.exe").exitCode, 1);
    EXPECT_EQ(Vxpatch("add-new p.vxp nothing-here.bin").exitCode, 1);
    EXPECT_EQ(Vxpatch("new p.vxp").exitCode, 2);

    // Never over an existing file, never into a damaged one.
    const auto project = vx::testing::FileBytes(folder.Path("p.vxp"));
    const Outcome again = Vxpatch("new p.vxp --original " + Quote(rules));
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.err.find("already exists"), std::string::npos);
    EXPECT_EQ(vx::testing::FileBytes(folder.Path("p.vxp")), project);
    folder.Write("notes.vxp", "not a project");
    const Outcome notProject = Vxpatch("add notes.vxp plain.exe");
    EXPECT_EQ(notProject.exitCode, 1);
    EXPECT_NE(notProject.err.find("is not a project file"), std::string::npos);
}

TEST_F(ProjectCommands, MessagesAndWarningsTheAuthorSees) {
    // A missing package: message 16 when the project is made, and again where it is needed.
    const Outcome made = Vxpatch("new lost.vxp --original '${Nowhere}/app.msi'");
    EXPECT_EQ(made.exitCode, 0);
    EXPECT_EQ(made.err, "vxpatch: Unable to locate the original setup package " +
                            folder.Path("${Nowhere}/app.msi").string() +
                            ".  Kestrom views will not function properly until this reference "
                            "is restored.\n");
    const Outcome add = Vxpatch("add lost.vxp plain.exe");
    EXPECT_EQ(add.exitCode, 1);
    EXPECT_NE(add.err.find("Unable to locate the original setup package"), std::string::npos);

    // A new file that registers itself is allowed, with a warning; an existing one is not warned.
    ASSERT_EQ(Vxpatch("new p.vxp --original " + Quote(rules)).exitCode, 0);
    folder.Write("extra.dll", "x");
    ASSERT_EQ(Vxpatch("add-new p.vxp extra.dll").exitCode, 0);
    ASSERT_EQ(Vxpatch("add p.vxp plain.exe").exitCode, 0);
    const Outcome selfReg = Vxpatch("set p.vxp extra.dll SelfReg 1");
    EXPECT_EQ(selfReg.exitCode, 0);
    EXPECT_EQ(selfReg.err.rfind("vxpatch: warning: The new file extra.dll is marked", 0), 0u);
    EXPECT_EQ(Vxpatch("set p.vxp extra.dll SelfReg 0").err, "");
    EXPECT_EQ(Vxpatch("set p.vxp plain.exe ExtractCOM 1").err, "");
    // Turning an entry with the setting into a new file warns too.
    const Outcome becomesNew = Vxpatch("set p.vxp plain.exe Type 2");
    EXPECT_NE(becomesNew.err.find("warning: The new file plain.exe"), std::string::npos);
}

TEST_F(ProjectCommands, ABusyProjectIsReportedAndLeftIntact) {
    ASSERT_EQ(Vxpatch("new p.vxp --original " + Quote(rules)).exitCode, 0);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(folder.Path("p.vxp").c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    const Outcome busy = Vxpatch("add p.vxp plain.exe");
    EXPECT_EQ(busy.exitCode, 1);
    EXPECT_NE(busy.err.find("is in use by another program"), std::string::npos) << busy.err;
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(Vxpatch("list p.vxp").out, "");
    EXPECT_EQ(Vxpatch("add p.vxp plain.exe").exitCode, 0);
}

} // namespace

TEST_F(ProjectCommands, ARelativePackagePathMeansTheCurrentFolder) {
    // The project lives in a sub-folder; the package is named relative to where vxpatch runs.
    std::filesystem::create_directories(folder.Path("projects"));
    std::filesystem::copy_file(rules, folder.Path("original.msi"));
    EXPECT_EQ(Vxpatch("new projects/p.vxp --original original.msi").exitCode, 0);
    const Outcome info = Vxpatch("info projects/p.vxp");
    EXPECT_EQ(info.exitCode, 0) << info.err;
    EXPECT_NE(info.out.find("Original package: " + folder.Path("original.msi").string() + "\n"),
              std::string::npos)
        << info.out;
    EXPECT_EQ(Vxpatch("add projects/p.vxp plain.exe").exitCode, 0); // the package is found
}
