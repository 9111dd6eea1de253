// vxpatch's project commands as an author runs them: output, messages, warnings and exit codes,
// and an add of thousands of keys killed on the way.

#include "cli/vxpatch_run.h"
#include "support/scratch_folder.h"
#include "support/test_paths.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

namespace {

using namespace vx::testing;

class ProjectCommands : public ::testing::Test {
protected:
    ChildOutcome Vxpatch(const std::string& arguments) {
        return RunVxpatch(folder.Root(), arguments);
    }
    void New() { ASSERT_EQ(Vxpatch("new p.vxp --original " + Quote(rules)).exitCode, 0); }

    const std::string rules = FixtureFile("patchrules");
    ScratchFolder folder;
};

TEST_F(ProjectCommands, AProjectFromNewToRemove) {
    const auto before = FileBytes(rules);
    New();
    EXPECT_EQ(Vxpatch("info p.vxp").out,
              "Project: p.vxp\nType: Kestrom\nFormat: 1\nOriginal package: " + rules +
                  "\nOriginal package path: " + rules + "\nEntries: 0\n");
    // A project named relative to the current folder: ${ProjectFolder} is its folder, once.
    std::filesystem::create_directories(folder.Root() / "sub");
    std::filesystem::copy_file(rules, folder.Root() / "sub/r.msi");
    ASSERT_EQ(Vxpatch("new sub/q.vxp --original '${ProjectFolder}/r.msi'").exitCode, 0);
    EXPECT_NE(Vxpatch("info sub/q.vxp").out.find("Original package path: " +
                                                 (folder.Root() / "sub/r.msi").string() + "\n"),
              std::string::npos);
    const ChildOutcome add = Vxpatch("add p.vxp selfreg.dll server.dll plain.exe");
    EXPECT_EQ(add.exitCode, 0) << add.err;
    EXPECT_EQ(add.err, "");
    folder.Write("tool.exe", "new file");
    const ChildOutcome addNew = Vxpatch("add-new p.vxp tool.exe");
    EXPECT_EQ(addNew.exitCode, 0) << addNew.err;
    EXPECT_EQ(addNew.out, "tool.exe\n");
    for (const char* change :
         {"set p.vxp plain.exe Overwrite 1", "set p.vxp server.dll type 1",
          "set p.vxp tool.exe Feature 'Main;Extras'", "remove p.vxp selfreg.dll"}) {
        EXPECT_EQ(Vxpatch(change).exitCode, 0) << change; // property names ignore case
    }
    EXPECT_EQ(Vxpatch("list p.vxp").out, "server.dll\t1\t\t0\t1\t0\t\t\n"
                                         "plain.exe\t0\t\t0\t0\t1\t\t\n"
                                         "tool.exe\t2\t" +
                                             folder.Path("tool.exe").string() +
                                             "\t0\t0\t0\tMain;Extras\tINSTALLDIR\n");
    // show: an entry's form, a new file's form, an original file that is no entry, and an entry
    // whose key the package lacks.
    const std::string bin = "Destination: [ProgramFilesFolder]\\Rules App\\bin\n";
    const std::string noVersion = "Updated file version: Unable to determine File Version\n";
    const std::string missing = "File Not Found In Original Setup\n";
    ASSERT_EQ(Vxpatch("set p.vxp plain.exe Key ghost.exe").exitCode, 0);
    const std::pair<std::string, std::string> shown[] = {
        {"server.dll", "Entry: deleted file\nFile name: server.dll\nFile key: server.dll\n" + bin +
                           "Version: 1.0.0.0\nLanguage: 1033\nComponent: CompServer\n"
                           "Key file: server.dll\nUpdated file: \n" +
                           noVersion + "Overwrite: 0\nExtract COM: 1\nDelete: 1\n"},
        {"tool.exe",
         "Entry: new file\nFile key: tool.exe\nNew file: " + folder.Path("tool.exe").string() +
             "\nSelf-registering: 0\nExtract COM: 0\nDestination directory: INSTALLDIR\n"
             "Destination: [ProgramFilesFolder]\\Rules App\nFeatures: Main;Extras\n"},
        {"vxselfreg.dll", "Entry: none (original file)\nFile name: vxselfreg.dll\n"
                          "File key: vxselfreg.dll\nDestination: [ProgramFilesFolder]\\Rules App\n"
                          "Version: 1.0.0.0\nLanguage: 1033\nComponent: CompPlain\n"
                          "Key file: plain.exe\n"},
        {"ghost.exe", "Entry: updated file\nFile name: " + missing + "File key: ghost.exe\n" +
                          "Destination: " + missing + "Version: " + missing +
                          "Language: " + missing + "Component: " + missing +
                          "Key file: " + missing + "Updated file: \n" + noVersion +
                          "Overwrite: 1\nExtract COM: 0\nDelete: 0\n"},
    };
    for (const auto& [key, expected] : shown) {
        const ChildOutcome show = Vxpatch("show p.vxp " + key);
        EXPECT_EQ(show.exitCode, 0) << key << show.err;
        EXPECT_EQ(show.out, expected) << key;
    }
    const ChildOutcome unknown = Vxpatch("show p.vxp nosuch");
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(
        unknown.err.find("Neither the project nor the original package has a file \"nosuch\""),
        std::string::npos);
    EXPECT_EQ(FileBytes(rules), before);
}

TEST_F(ProjectCommands, RefusalsAndTheirExitCodes) {
    New();
    ASSERT_EQ(Vxpatch("add p.vxp plain.exe").exitCode, 0);
    folder.Write("notes.vxp", "not a project");
    const std::pair<std::string, int> refused[] = {
        {"set p.vxp plain.exe Type 4", 1},
        {"set p.vxp plain.exe SelfReg maybe", 1},
        {"set p.vxp plain.exe Colour 1", 2},
        {"set p.vxp missing.exe SelfReg 1", 1},
        {"remove p.vxp missing.exe", 1},
        {"add-new p.vxp nothing-here.bin", 1},
        {"new p.vxp", 2},
        {"new p.vxp --original " + Quote(rules), 1},
        {"add notes.vxp plain.exe", 1},
    };
    const auto project = FileBytes(folder.Path("p.vxp"));
    for (const auto& [arguments, exitCode] : refused) {
        EXPECT_EQ(Vxpatch(arguments).exitCode, exitCode) << arguments;
    }
    EXPECT_EQ(FileBytes(folder.Path("p.vxp")), project);
    EXPECT_NE(Vxpatch("new p.vxp --original x.msi").err.find("already exists"), std::string::npos);
    EXPECT_NE(Vxpatch("add notes.vxp plain.exe").err.find("is not a project file"),
              std::string::npos);

    // A duplicate is refused with message 4; the other keys are still added.
    const ChildOutcome duplicate = Vxpatch("add p.vxp helper.dll plain.exe typelib.dll");
    EXPECT_EQ(duplicate.exitCode, 1);
    EXPECT_EQ(duplicate.err, "vxpatch: You cannot add the same file to the Patch Files list.\n");
    EXPECT_NE(Vxpatch("list p.vxp").out.find("typelib.dll\t0"), std::string::npos);
    // A key the package lacks adds nothing at all.
    const ChildOutcome unknown = Vxpatch("add p.vxp server.dll nosuch.dll");
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unknown.err.find("\"nosuch.dll\" is not a File key"), std::string::npos);
    EXPECT_EQ(Vxpatch("list p.vxp").out.find("server.dll"), std::string::npos);
}

TEST_F(ProjectCommands, MessagesAndWarningsTheAuthorSees) {
    // A missing package: message 16 when the project is made, and again where it is needed.
    const ChildOutcome made = Vxpatch("new lost.vxp --original '${Nowhere}/app.msi'");
    EXPECT_EQ(made.exitCode, 0);
    EXPECT_EQ(made.err, "vxpatch: Unable to locate the original setup package " +
                            folder.Path("${Nowhere}/app.msi").string() +
                            ".  Kestrom views will not function properly until this reference "
                            "is restored.\n");
    const ChildOutcome add = Vxpatch("add lost.vxp plain.exe");
    EXPECT_EQ(add.exitCode, 1);
    EXPECT_NE(add.err.find("Unable to locate the original setup package"), std::string::npos);

    // A new file that registers itself is allowed, with a warning; an existing one is not warned.
    New();
    folder.Write("extra.dll", "x");
    ASSERT_EQ(Vxpatch("add-new p.vxp extra.dll").exitCode, 0);
    ASSERT_EQ(Vxpatch("add p.vxp plain.exe").exitCode, 0);
    const ChildOutcome selfReg = Vxpatch("set p.vxp extra.dll SelfReg 1");
    EXPECT_EQ(selfReg.exitCode, 0);
    EXPECT_EQ(selfReg.err.rfind("vxpatch: warning: The new file extra.dll is marked", 0), 0u);
    EXPECT_EQ(Vxpatch("set p.vxp extra.dll SelfReg 0").err, "");
    EXPECT_EQ(Vxpatch("set p.vxp plain.exe ExtractCOM 1").err, "");
    // Turning an entry with the setting into a new file warns too.
    EXPECT_NE(Vxpatch("set p.vxp plain.exe Type 2").err.find("warning: The new file plain.exe"),
              std::string::npos);
}

TEST_F(ProjectCommands, ABusyProjectIsReportedAndLeftIntact) {
    New();
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(folder.Path("p.vxp").c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    const ChildOutcome busy = Vxpatch("add p.vxp plain.exe");
    EXPECT_EQ(busy.exitCode, 1);
    EXPECT_NE(busy.err.find("is in use by another program"), std::string::npos) << busy.err;
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(Vxpatch("list p.vxp").out, "");
    EXPECT_EQ(Vxpatch("add p.vxp plain.exe").exitCode, 0);
}

TEST_F(ProjectCommands, AnAddOfManyKeysIsOneCommitThatAKillLeavesWhole) {
    constexpr int kKeys = 5000;
    const std::string project = folder.Path("p.vxp").string();
    std::vector<std::string> arguments = {"vxpatch", "add", project};
    for (int i = 0; i < kKeys; ++i) {
        char key[8];
        std::snprintf(key, sizeof key, "F%05d", i); // the File keys of the big package
        arguments.emplace_back(key);
    }
    const auto entries = [&] {
        const std::string info = Vxpatch("info p.vxp").out;
        const size_t at = info.find("Entries: ");
        return at == std::string::npos ? -1 : std::stoi(info.substr(at + 9));
    };
    for (const bool kill : {true, false}) {
        SCOPED_TRACE(kill ? "killed in the middle" : "left to finish");
        std::filesystem::remove(project);
        ASSERT_EQ(Vxpatch("new p.vxp --original " + Quote(FixtureFile("big5k"))).exitCode, 0);
        ForkedChild add([&](int) {
            std::vector<char*> argv;
            for (std::string& argument : arguments) {
                argv.push_back(argument.data());
            }
            argv.push_back(nullptr);
            ::execv(VX_VXPATCH, argv.data());
            return 127;
        });
        if (kill) {
            // The rollback journal is there from the batch's first write to its commit.
            const auto journal = project + "-journal";
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
            while (!std::filesystem::exists(journal) &&
                   std::chrono::steady_clock::now() < deadline) {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
            ASSERT_TRUE(std::filesystem::exists(journal)) << "the batch never began";
            std::this_thread::sleep_for(std::chrono::milliseconds(100)); // part-way through
        }
        const int status = add.Wait(kill);
        const int count = entries(); // the file opens, the journal rolled back
        if (WIFSIGNALED(status)) {
            EXPECT_TRUE(count == 0 || count == kKeys) << count;
        } else {
            EXPECT_EQ(WEXITSTATUS(status), 0);
            EXPECT_EQ(count, kKeys);
        }
    }
}

TEST_F(ProjectCommands, ARelativePackagePathMeansTheCurrentFolder) {
    // The project lives in a sub-folder; the package is named relative to where vxpatch runs.
    std::filesystem::create_directories(folder.Path("projects"));
    std::filesystem::copy_file(rules, folder.Path("original.msi"));
    EXPECT_EQ(Vxpatch("new projects/p.vxp --original original.msi").exitCode, 0);
    const ChildOutcome info = Vxpatch("info projects/p.vxp");
    EXPECT_NE(info.out.find("Original package: " + folder.Path("original.msi").string() + "\n"),
              std::string::npos)
        << info.out << info.err;
    EXPECT_EQ(Vxpatch("add projects/p.vxp plain.exe").exitCode, 0); // the package is found
}

} // namespace

namespace {

// A JSON value as the text output writes it (flags and numbers as digits).
std::string AsText(const nlohmann::ordered_json& value) {
    if (value.is_string()) {
        return value.get<std::string>();
    }
    if (value.is_boolean()) {
        return value.get<bool>() ? "1" : "0";
    }
    return value.is_null() ? "" : value.dump();
}

void CollectLabels(const nlohmann::ordered_json& node, int depth, std::vector<std::string>& out) {
    out.push_back(std::string(2 * static_cast<size_t>(depth), ' ') + AsText(node["label"]));
    for (const auto& child : node.value("children", nlohmann::ordered_json::array())) {
        CollectLabels(child, depth + 1, out);
    }
}

} // namespace

// Every data command's --json says what its text says: the same fields under the same names,
// the same rows with the same cells, the same tree; and a command without data refuses --json.
TEST_F(ProjectCommands, EveryDataCommandsJsonSaysWhatItsTextSays) {
    New();
    ASSERT_EQ(Vxpatch("add p.vxp server.dll plain.exe").exitCode, 0);
    ASSERT_EQ(Vxpatch("set p.vxp server.dll type 1").exitCode, 0);
    const std::string pkg = Quote(rules);
    enum class Shape { Fields, Rows, Tree };
    const std::pair<std::string, Shape> commands[] = {
        {"info p.vxp", Shape::Fields},
        {"show p.vxp server.dll", Shape::Fields},
        {"product " + pkg, Shape::Fields},
        {"list p.vxp", Shape::Rows},
        {"tables " + pkg, Shape::Rows},
        {"dirs " + pkg, Shape::Rows},
        {"query " + pkg + " 'SELECT `File`, `Component_` FROM `File`'", Shape::Rows},
        {"tree " + pkg, Shape::Tree},
    };
    for (const auto& [command, shape] : commands) {
        const ChildOutcome text = Vxpatch(command);
        const ChildOutcome json = Vxpatch(command + " --json");
        ASSERT_EQ(text.exitCode, 0) << command << text.err;
        ASSERT_EQ(json.exitCode, 0) << command << json.err;
        const nlohmann::ordered_json document = nlohmann::ordered_json::parse(json.out);
        const std::vector<std::string> lines = Lines(text.out);
        if (shape == Shape::Fields) {
            ASSERT_TRUE(document.is_object()) << command;
            for (const std::string& line : lines) {
                const size_t colon = line.find(": ");
                ASSERT_NE(colon, std::string::npos) << line;
                EXPECT_EQ(AsText(document[line.substr(0, colon)]), line.substr(colon + 2))
                    << command << ": " << line;
            }
        } else if (shape == Shape::Rows) {
            ASSERT_TRUE(document.is_array()) << command;
            ASSERT_EQ(document.size(), lines.size()) << command;
            for (size_t i = 0; i < lines.size(); ++i) {
                std::string joined;
                for (const auto& [name, value] : document[i].items()) {
                    joined += (joined.empty() ? "" : "\t") + AsText(value);
                }
                EXPECT_EQ(joined, lines[i]) << command;
            }
        } else {
            std::vector<std::string> labels;
            CollectLabels(document, 0, labels);
            EXPECT_EQ(labels, lines);
        }
    }
    EXPECT_EQ(Vxpatch("compare-versions 1 2 --json").exitCode, 2);
}
