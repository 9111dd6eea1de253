// vxpatch extract and extract-all as a user runs them: every corpus file against the sizes an
// independent extractor gave, the media fixture's failures, and the original left untouched.

#include "support/test_paths.h"
#include "tests/common/temp_tree.h"

#include "support/run_command.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <map>
#include <sys/wait.h>

namespace fs = std::filesystem;
using vx::testing::TempTree;

namespace {

using Outcome = vx::testing::CommandOutcome;

std::string Quote(const fs::path& path) {
    return "'" + path.string() + "'";
}

// Runs vxpatch with its temporary folder inside `temp`, standard error joined to the output.
Outcome Vxpatch(const TempTree& temp, const std::string& arguments) {
    fs::create_directories(temp / "tmp");
    const auto run = vx::testing::RunCommand("TMPDIR=" + Quote(temp / "tmp") + " " VX_VXPATCH " " +
                                             arguments + " 2>&1");
    return run;
}

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// Relative path (lower case, '/') -> size of every file under root.
std::map<std::string, uintmax_t> Files(const fs::path& root) {
    std::map<std::string, uintmax_t> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            files[Lower(fs::relative(entry.path(), root).generic_string())] = entry.file_size();
        }
    }
    return files;
}

// The listing's paths without "\SourceDir\", lower case with '/', and sizes.
std::map<std::string, uintmax_t> Listed(const fs::path& csv) {
    std::ifstream in(csv, std::ios::binary);
    std::map<std::string, uintmax_t> listed;
    std::string line;
    std::getline(in, line); // header
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        size_t end = line.size();
        for (int i = 0; i < 4; ++i) {
            end = line.rfind(',', end - 1);
        }
        const size_t sizeEnd = line.find(',', end + 1);
        std::string path = line.substr(0, end);
        path = path.substr(path.find('\\', 1) + 1); // drop "\SourceDir\"
        for (char& c : path) {
            c = c == '\\' ? '/' : c;
        }
        listed[Lower(path)] = std::stoull(line.substr(end + 1, sizeEnd - end - 1));
    }
    return listed;
}

const fs::path kMedia = fs::path(VX_FIXTURE_DIR) / "media";

} // namespace

TEST(ExtractAll, EveryCorpusFileHasTheListedSize) {
    int packages = 0;
    for (const char* name : {"putty-0.68-installer", "msi_with_external_cab", "NUnit-2.5.2.9222"}) {
        const fs::path package = vx::testing::CorpusFile(std::string(name) + ".msi");
        if (!fs::exists(package)) {
            continue;
        }
        SCOPED_TRACE(name);
        ++packages;
        TempTree temp;
        const auto before = vx::testing::FileBytes(package);
        const Outcome run =
            Vxpatch(temp, "extract-all " + Quote(package) + " " + Quote(temp / "out"));
        EXPECT_EQ(run.exitCode, 0) << run.out;
        EXPECT_EQ(run.out.find('\r'), std::string::npos) << "no progress line off a terminal";
        EXPECT_EQ(Files(temp / "out"),
                  Listed(vx::testing::CorpusFile(std::string(name) + ".extracted.csv")));
        EXPECT_EQ(vx::testing::FileBytes(package), before);
        EXPECT_TRUE(
            fs::is_empty(temp / "tmp" / fs::directory_iterator(temp / "tmp")->path().filename()))
            << "the embedded cabinet copy is gone";
    }
    if (packages == 0) {
        GTEST_SKIP() << "corpus missing";
    }
}

TEST(ExtractAll, ListsTheFilesItCouldNotExtractAndFails) {
    TempTree temp;
    fs::copy(kMedia, temp / "media", fs::copy_options::recursive);
    const Outcome run =
        Vxpatch(temp, "extract-all " + Quote(temp / "media/media.msi") + " " + Quote(temp / "out"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.out.find("2 files could not be extracted"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Missing ("), std::string::npos);
    EXPECT_NE(run.out.find("missing.cab"), std::string::npos);
    EXPECT_NE(run.out.find("Damaged ("), std::string::npos);
    EXPECT_NE(run.out.find("truncated"), std::string::npos);
    const std::map<std::string, uintmax_t> expected = {
        {"top.txt", 77},
        {"readme.txt", 99},
        {"media app/emb one.txt", 1500},
        {"media app/emb2.bin", 150000},
        {"media app/lzx.txt", 3000},
        {"media app/docs/ext1.txt", 2048},
        {"media app/docs/ext2.txt", 40000},
        {"media app/docs/plain notes.txt", 321},
    };
    EXPECT_EQ(Files(temp / "out"), expected);
    EXPECT_TRUE(fs::exists(temp / "tmp"));
    for (const auto& folder : fs::directory_iterator(temp / "tmp")) {
        EXPECT_TRUE(fs::is_empty(folder.path())) << folder.path();
    }
}

TEST(ExtractAll, FoldersWhoseParentHasNoRowLieInsideTheDestination) {
    // OrphanDir's parent has no Directory row and CaseParentDir's is "TargetDir", no row either:
    // their folders resolve to "\Orphan" and "\Case", which lie in the package's folder.
    TempTree temp;
    fs::create_directories(temp / "pkg/Orphan");
    fs::create_directories(temp / "pkg/Case");
    fs::copy_file(fs::path(VX_FIXTURE_DIR) / "directories.msi", temp / "pkg/directories.msi");
    std::ofstream(temp / "pkg/Orphan/file 8.txt") << "orphan";
    std::ofstream(temp / "pkg/Case/file 11.txt") << "case";
    const Outcome run = Vxpatch(temp, "extract-all " + Quote(temp / "pkg/directories.msi") + " " +
                                          Quote(temp / "out"));
    EXPECT_EQ(run.exitCode, 1) << "the other files are not in the setup image";
    EXPECT_EQ(run.out.find("outside"), std::string::npos) << run.out;
    const std::map<std::string, uintmax_t> expected = {{"orphan/file 8.txt", 6},
                                                       {"case/file 11.txt", 4}};
    EXPECT_EQ(Files(temp / "out"), expected);
}

TEST(Extract, CopiesOneFileAndTheExtractedCopyGoes) {
    TempTree temp;
    fs::copy(kMedia, temp / "media", fs::copy_options::recursive);
    const std::string package = Quote(temp / "media/media.msi");
    Outcome run = Vxpatch(temp, "extract " + package + " EmbTwo " + Quote(temp / "emb.bin"));
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(fs::file_size(temp / "emb.bin"), 150000u);
    for (const auto& folder : fs::directory_iterator(temp / "tmp")) {
        EXPECT_TRUE(fs::is_empty(folder.path()));
    }

    fs::create_directories(temp / "into");
    run = Vxpatch(temp, "extract " + package + " Plain " + Quote(temp / "into"));
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(fs::file_size(temp / "into/plain notes.txt"), 321u);
    EXPECT_TRUE(fs::exists(temp / "media/Media App/DOCS/plain notes.txt"));
}

TEST(Extract, RefusesToOverwriteTheOriginalAndReportsBadKeys) {
    TempTree temp;
    fs::copy(kMedia, temp / "media", fs::copy_options::recursive);
    const std::string package = Quote(temp / "media/media.msi");
    const fs::path original = temp / "media/Media App/DOCS/plain notes.txt";
    const auto before = vx::testing::FileBytes(original);
    Outcome run = Vxpatch(temp, "extract " + package + " Plain " + Quote(original));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.out.find("original file itself"), std::string::npos) << run.out;
    EXPECT_EQ(vx::testing::FileBytes(original), before);

    run = Vxpatch(temp, "extract " + package + " NoSuchKey " + Quote(temp / "x"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.out.find("no File row"), std::string::npos);

    run = Vxpatch(temp, "extract " + package + " Missing " + Quote(temp / "x"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.out.find("missing.cab"), std::string::npos) << run.out;
    EXPECT_FALSE(fs::exists(temp / "x"));

    EXPECT_EQ(Vxpatch(temp, "extract " + package).exitCode, 2);
    EXPECT_EQ(Vxpatch(temp, "extract-all " + package).exitCode, 2);
}
