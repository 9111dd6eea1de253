// vxpatch extract and extract-all as a user runs them: every corpus file against the sizes an
// independent extractor gave (and the extraction scanned against its package), the media
// fixture's failures, and the original left untouched.

#include "cli/vxpatch_run.h"
#include "support/scratch_folder.h"
#include "support/test_paths.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>

namespace fs = std::filesystem;
using namespace vx::testing;

namespace {

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

// Every test copies the media fixture and runs vxpatch with its temporary folder inside its own
// scratch folder, standard error joined to the output.
class Extract : public ::testing::Test {
protected:
    Extract() {
        fs::copy(fs::path(VX_FIXTURE_DIR) / "media", temp / "media", fs::copy_options::recursive);
    }

    ChildOutcome Vxpatch(const std::string& arguments) {
        return RunVxpatch(temp.Root(), arguments + " 2>&1");
    }
    std::string At(const std::string& name) const { return Quote((temp / name).string()); }
    // Extracted copies of embedded cabinets go when vxpatch is done.
    void ExpectNoCabinetCopies() {
        for (const auto& folder : fs::directory_iterator(temp / "tmp")) {
            EXPECT_TRUE(fs::is_empty(folder.path())) << folder.path();
        }
    }

    ScratchFolder temp;
    const std::string package = At("media/media.msi");
};

} // namespace

TEST_F(Extract, EveryCorpusFileHasTheListedSizeAndScansAsUnchanged) {
    for (const auto& path : CorpusPackages()) {
        const std::string name = path.filename().string();
        SCOPED_TRACE(name);
        const auto before = FileBytes(path);
        fs::remove_all(temp / "out");
        const ChildOutcome run = Vxpatch("extract-all " + Quote(path.string()) + " " + At("out"));
        EXPECT_EQ(run.exitCode, 0) << run.out;
        EXPECT_EQ(run.out.find('\r'), std::string::npos) << "no progress line off a terminal";
        std::map<std::string, uintmax_t> listed;
        for (auto [file, size] : ExtractedListing(name)) {
            file = file.substr(file.find('\\', 1) + 1); // without "\SourceDir\"
            std::replace(file.begin(), file.end(), '\\', '/');
            listed[Lower(file)] = size;
        }
        EXPECT_EQ(Files(temp / "out"), listed);
        // Real hash rows agree with the real files in the installer's form of the digest, and
        // the scan's extracted originals go too.
        fs::remove(temp / "p.vxp");
        Vxpatch("new " + At("p.vxp") + " --original " + Quote(path.string()));
        const ChildOutcome scan = Vxpatch("scan " + At("p.vxp") + " " + At("out"));
        EXPECT_EQ(scan.exitCode, 0);
        EXPECT_EQ(scan.out, "");
        EXPECT_EQ(FileBytes(path), before);
        ExpectNoCabinetCopies();
    }
}

TEST_F(Extract, AllListsTheFilesItCouldNotExtractAndFails) {
    const ChildOutcome run = Vxpatch("extract-all " + package + " " + At("out"));
    EXPECT_EQ(run.exitCode, 1);
    for (const char* part :
         {"2 files could not be extracted", "Missing (", "missing.cab", "Damaged (", "truncated"}) {
        EXPECT_NE(run.out.find(part), std::string::npos) << part << "\n" << run.out;
    }
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
    ExpectNoCabinetCopies();
}

TEST_F(Extract, AllPutsFoldersWhoseParentHasNoRowInsideTheDestination) {
    // OrphanDir's parent has no Directory row and CaseParentDir's is "TargetDir", no row either:
    // their folders resolve to "\\Orphan" and "\\Case", which lie in the package's folder.
    fs::create_directories(temp / "pkg/Orphan");
    fs::create_directories(temp / "pkg/Case");
    fs::copy_file(fs::path(VX_FIXTURE_DIR) / "directories.msi", temp / "pkg/directories.msi");
    std::ofstream(temp / "pkg/Orphan/file 8.txt") << "orphan";
    std::ofstream(temp / "pkg/Case/file 11.txt") << "case";
    const ChildOutcome run = Vxpatch("extract-all " + At("pkg/directories.msi") + " " + At("out"));
    EXPECT_EQ(run.exitCode, 1) << "the other files are not in the setup image";
    EXPECT_EQ(run.out.find("outside"), std::string::npos) << run.out;
    const std::map<std::string, uintmax_t> expected = {{"orphan/file 8.txt", 6},
                                                       {"case/file 11.txt", 4}};
    EXPECT_EQ(Files(temp / "out"), expected);
}

TEST_F(Extract, CopiesOneFileIntoAFileOrAFolder) {
    ChildOutcome run = Vxpatch("extract " + package + " EmbTwo " + At("emb.bin"));
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(fs::file_size(temp / "emb.bin"), 150000u);
    ExpectNoCabinetCopies();
    fs::create_directories(temp / "into");
    run = Vxpatch("extract " + package + " Plain " + At("into"));
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(fs::file_size(temp / "into/plain notes.txt"), 321u);
}

TEST_F(Extract, RefusalsLeaveEverythingAsItWas) {
    const std::string original = "media/Media App/DOCS/plain notes.txt";
    const auto before = FileBytes(temp / original);
    const std::pair<std::string, std::string> refused[] = {
        {"Plain " + At(original), "original file itself"},
        {"NoSuchKey " + At("x"), "no File row"},
        {"Missing " + At("x"), "missing.cab"},
    };
    for (const auto& [arguments, message] : refused) {
        const ChildOutcome run = Vxpatch("extract " + package + " " + arguments);
        EXPECT_EQ(run.exitCode, 1) << arguments;
        EXPECT_NE(run.out.find(message), std::string::npos) << run.out;
    }
    EXPECT_EQ(FileBytes(temp / original), before);
    EXPECT_FALSE(fs::exists(temp / "x"));
    EXPECT_EQ(Vxpatch("extract " + package).exitCode, 2);
    EXPECT_EQ(Vxpatch("extract-all " + package).exitCode, 2);
}

TEST_F(Extract, AllStopsAtCtrlCWithEveryWrittenFileWhole) {
    // A setup image of 5,000 uncompressed files, laid where the package says it looks for them.
    fs::create_directories(temp / "image");
    fs::copy_file(fs::path(VX_FIXTURE_DIR) / "big5k.msi", temp / "image/big.msi");
    const std::string image = At("image/big.msi");
    const std::string probe = Vxpatch("extract-all " + image + " " + At("probe")).out;
    const std::string block(4096, 'x');
    size_t sources = 0;
    for (size_t end = probe.find("\" does not exist"); end != std::string::npos;
         end = probe.find("\" does not exist", end + 1)) {
        const size_t begin = probe.rfind('"', end - 1) + 1;
        const fs::path source = probe.substr(begin, end - begin);
        fs::create_directories(source.parent_path());
        std::ofstream(source) << block;
        ++sources;
    }
    ASSERT_EQ(sources, 5000u);

    const ChildOutcome run = RunShell(
        "TMPDIR=" + At("") + " " VX_VXPATCH " extract-all " + image + " " + At("out") +
        " 2>&1 & pid=$!; until [ -n \"$(find " + At("out") +
        " -type f -print -quit 2>/dev/null)\" ]; do sleep 0.01; done; kill -INT $pid; wait $pid");
    EXPECT_EQ(run.exitCode, 130) << run.out;
    unsigned extracted = 0;
    ASSERT_EQ(std::sscanf(run.out.c_str(), "vxpatch: interrupted: %u of 5000", &extracted), 1)
        << run.out;
    const std::map<std::string, uintmax_t> written = Files(temp / "out");
    EXPECT_EQ(written.size(), extracted);
    EXPECT_LT(extracted, 5000u);
    for (const auto& [file, size] : written) {
        EXPECT_EQ(size, block.size()) << file;
    }
}
