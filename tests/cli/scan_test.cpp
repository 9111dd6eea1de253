// vxpatch scan as an author runs it: the scan fixture extracted with extract-all, changed as a
// new build would change it, scanned, and the proposals applied and read back with `list`.

#include "cli/vxpatch_run.h"
#include "support/scratch_folder.h"
#include "support/test_paths.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstring>
#include <functional>
#include <map>

namespace fs = std::filesystem;
using namespace vx::testing;

namespace {

using Tree = std::map<std::string, std::vector<uint8_t>>;

// Every file below root with its bytes: equal trees before and after prove nothing was written.
Tree Snapshot(const fs::path& root) {
    Tree tree;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            tree[fs::relative(entry.path(), root).string()] = FileBytes(entry.path());
        }
    }
    return tree;
}

void Edit(const fs::path& path, const std::function<void(std::vector<uint8_t>&)>& change) {
    std::vector<uint8_t> bytes = FileBytes(path);
    change(bytes);
    WriteBytes(path, bytes);
}

// Sets the fixed file version of an executable made by the fixture script.
void SetFileVersion(const fs::path& path, uint16_t major, uint16_t minor) {
    Edit(path, [&](std::vector<uint8_t>& bytes) {
        const uint8_t signature[] = {0xBD, 0x04, 0xEF, 0xFE};
        const auto at = std::search(bytes.begin(), bytes.end(), signature, signature + 4);
        ASSERT_NE(at, bytes.end());
        const uint32_t version = uint32_t{major} << 16 | minor;
        std::memcpy(&*at + 8, &version, sizeof version);
    });
}

class Scan : public ::testing::Test {
protected:
    Scan() { Prepare("scan"); }

    // The fixture's package with its setup image, its files extracted into `out` and a project.
    void Prepare(const std::string& fixture) {
        fs::remove_all(temp / "pkg");
        fs::copy(fs::path(VX_FIXTURE_DIR) / fixture, temp / "pkg", fs::copy_options::recursive);
        package = temp / "pkg" / (fixture + ".msi");
        Extract();
        fs::remove(temp / "p.vxp");
        ASSERT_EQ(Vxpatch("new p.vxp --original " + Quote(package.string())).exitCode, 0);
    }
    void Extract() {
        fs::remove_all(out);
        Vxpatch("extract-all " + Quote(package.string()) + " out");
    }
    ChildOutcome Vxpatch(const std::string& arguments) {
        return RunVxpatch(temp.Root(), arguments);
    }
    // The changes of a new build: a versioned file by content only, one by its version, an
    // unversioned file by content only (it has a hash row) and one by size; a file gone, and
    // two new ones (one where the package has no folder).
    void ChangeAsANewBuild() {
        Edit(app / "app.exe", [](std::vector<uint8_t>& b) { b[0x210] ^= 0xFF; });
        SetFileVersion(app / "bin/core.dll", 2, 2);
        Edit(app / "readme.txt", [](std::vector<uint8_t>& b) { b[5] ^= 0x20; });
        Edit(app / "bin/data.bin", [](std::vector<uint8_t>& b) { b.push_back('!'); });
        fs::remove(app / "config.ini");
        temp.Write("out/Scan App/bin/extras/one.dll", "one");
        temp.Write("out/Scan App/docs/two.txt", "two");
    }

    ScratchFolder temp;
    fs::path package;
    const fs::path out = temp / "out";
    const fs::path app = out / "Scan App";
};

const std::string kKeeps =
    ", so the installer's versioning rules would keep the installed file: the entry overwrites";

const std::vector<std::string> kNewBuildLines = {
    "changed\tAppExe\tcontent differs from the original's bytes; same version 1.0.0.0" + kKeeps,
    "changed\tCoreDll\tversion 2.1.0.0 -> 2.2.0.0",
    "changed\tDataBin\tsize 274 -> 275",
    "changed\tReadme\tcontent differs (MD5 against the package's MsiFileHash)",
    "missing\tConfig\tnot in the folder",
    "new\tScan App/bin/extras/one.dll\tinto BinDir: the package has no folder "
    "\"Scan App/bin/extras\"",
    "new\tScan App/docs/two.txt\tinto DocDir",
};

} // namespace

TEST_F(Scan, ClassifiesTheFolderAsEachChangeLeavesIt) {
    struct Case {
        std::string name;
        std::function<void()> change;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"as extracted", [] {}, {}},
        {"a new build", [&] { ChangeAsANewBuild(); }, kNewBuildLines},
        {"names in another letter case",
         [&] {
             fs::rename(app / "readme.txt", app / "README.TXT");
             fs::rename(app / "docs", app / "DOCS");
         },
         {}},
        {"two names that differ only by letter case",
         [&] {
             fs::rename(app / "readme.txt", app / "README.TXT");
             fs::copy_file(app / "README.TXT", app / "Readme.Txt");
         },
         {"missing\tReadme\tnot in the folder", "new\tScan App/README.TXT\tinto INSTALLDIR",
          "new\tScan App/Readme.Txt\tinto INSTALLDIR"}},
        {"staged as links, one back up",
         [&] {
             fs::rename(app / "app.exe", temp / "app.exe");
             fs::create_symlink(temp / "app.exe", app / "app.exe");
             fs::create_directory_symlink("..", app / "docs/up");
         },
         {}},
        {"an older version",
         [&] { SetFileVersion(app / "bin/core.dll", 2, 0); },
         {"changed\tCoreDll\tversion 2.1.0.0 -> 2.0.0.0; older than the original" + kKeeps}},
        {"a versioned file replaced by one without a version",
         [&] { temp.Write("out/Scan App/bin/core.dll", "plain text"); },
         {"changed\tCoreDll\tversion 2.1.0.0 -> none; a file without a version does not replace "
          "a versioned one" +
          kKeeps}},
        {"an administrative installation's own package at the top",
         [&] { fs::copy_file(package, out / "scan.msi"); },
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Extract();
        c.change();
        const ChildOutcome run = Vxpatch("scan p.vxp out");
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(Lines(run.out), c.lines);
    }
    const ChildOutcome all = Vxpatch("scan p.vxp out --all");
    EXPECT_EQ(Lines(all.out).size(), 7u) << all.out; // the package's files, the new one
}

TEST_F(Scan, ApplyAddsTheProposalsOnceAndWritesNeitherPackageNorFolder) {
    ChangeAsANewBuild();
    const Tree packageBefore = Snapshot(temp / "pkg");
    const Tree folderBefore = Snapshot(out);

    const ChildOutcome apply = Vxpatch("scan p.vxp out --apply --deletes");
    EXPECT_EQ(apply.exitCode, 0) << apply.err;
    std::vector<std::string> expected = kNewBuildLines;
    for (const char* line :
         {"added\tAppExe\tupdate from Scan App/app.exe, overwrite",
          "added\tCoreDll\tupdate from Scan App/bin/core.dll",
          "added\tDataBin\tupdate from Scan App/bin/data.bin",
          "added\tReadme\tupdate from Scan App/readme.txt", "added\tConfig\tdelete",
          "added\tone.dll\tnew Scan App/bin/extras/one.dll into BinDir",
          "added\ttwo.txt\tnew Scan App/docs/two.txt into DocDir"}) {
        expected.push_back(line);
    }
    EXPECT_EQ(Lines(apply.out), expected);
    const std::string at = (app / "").string();
    const std::vector<std::string> entries = {
        // key, type, updated file, self-registering, COM, overwrite, feature, destination
        "AppExe\t0\t" + at + "app.exe\t0\t0\t1\t\t",
        "CoreDll\t0\t" + at + "bin/core.dll\t0\t0\t0\t\t",
        "DataBin\t0\t" + at + "bin/data.bin\t0\t0\t0\t\t",
        "Readme\t0\t" + at + "readme.txt\t0\t0\t0\t\t",
        "Config\t1\t\t0\t0\t0\t\t",
        "one.dll\t2\t" + at + "bin/extras/one.dll\t0\t0\t0\tMain\tBinDir",
        "two.txt\t2\t" + at + "docs/two.txt\t0\t0\t0\tMain\tDocDir",
    };
    EXPECT_EQ(Lines(Vxpatch("list p.vxp").out), entries);

    // Again: every entry is already there and left as it is.
    const ChildOutcome again = Vxpatch("scan p.vxp out --apply --deletes --json");
    EXPECT_EQ(again.exitCode, 0) << again.err;
    const auto json = nlohmann::json::parse(again.out);
    EXPECT_EQ(json["summary"], nlohmann::json::parse(R"({"unchanged": 2, "changed": 4,
        "new": 2, "missing": 1, "failed": 0})"));
    ASSERT_EQ(json["files"].size(), 7u);
    EXPECT_EQ(json["files"][1], nlohmann::json::parse(R"({"status": "changed", "key": "CoreDll",
        "path": "Scan App/bin/core.dll", "reason": "version",
        "detail": "version 2.1.0.0 -> 2.2.0.0", "originalVersion": "2.1.0.0",
        "updatedVersion": "2.2.0.0", "originalSize": 1536, "updatedSize": 1536,
        "overwrite": false, "hashMismatch": false, "directory": null,
        "entry": {"key": "CoreDll", "type": 0}})"));
    EXPECT_EQ(json["files"][6]["entry"], nlohmann::json::parse(R"({"key": "two.txt", "type": 2})"));
    ASSERT_EQ(json["applied"].size(), 7u);
    for (const auto& outcome : json["applied"]) {
        EXPECT_EQ(outcome["action"], "kept") << outcome;
    }
    EXPECT_EQ(json["applied"][4]["note"], "already in the project (type 1)");
    EXPECT_EQ(Lines(Vxpatch("list p.vxp").out), entries);

    EXPECT_EQ(Snapshot(temp / "pkg"), packageBefore);
    EXPECT_EQ(Snapshot(out), folderBefore);
}

TEST_F(Scan, ReportsAHashRowThatDisagreesAndKeepsNamesInsideTheFolder) {
    Prepare("scan_damaged");
    // Where the escaping names would lead if they were followed: files that match nothing.
    temp.Write("out/escape.txt", "outside the package's own folder");
    temp.Write("out/Scan App/slashed.txt", "outside its folder");
    const ChildOutcome run = Vxpatch("scan p.vxp out");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(Lines(run.out),
              (std::vector<std::string>{
                  "unchanged\tReadme\tthe package's MsiFileHash row disagrees with its own file; "
                  "compared by the original's bytes",
                  "failed\tEscape\tits folder \"Scan App\\..\" would lie outside the folder; it "
                  "is not compared",
                  "failed\tSlashed\tits name \"..\\slashed.txt\" is not a plain file name; it is "
                  "not compared",
                  "new\tScan App/slashed.txt\tinto INSTALLDIR",
                  "new\tescape.txt\tinto TARGETDIR",
              }));
    EXPECT_NE(run.err.find("MsiFileHash disagrees with its own file for 1 file"), std::string::npos)
        << run.err;
    // Changed, the file is confirmed against the original's bytes, not the row.
    Edit(app / "readme.txt", [](std::vector<uint8_t>& b) { b[0] ^= 1; });
    EXPECT_EQ(Lines(Vxpatch("scan p.vxp out").out)[0],
              "changed\tReadme\tcontent differs from the original's bytes; the package's "
              "MsiFileHash row disagrees with its own file; compared by the original's bytes");
    EXPECT_NE(Vxpatch("scan p.vxp nowhere").err.find("/nowhere\" cannot be scanned: No such file"),
              std::string::npos);
}
