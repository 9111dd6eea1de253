#pragma once
// Where tests find the packages the build makes and the shared corpus of real-world packages,
// and whole-file reads and writes.

#include "platform/sys/wide_string.h"
#include "support/scratch_folder.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace vx::testing {

inline std::filesystem::path SharedDir() {
    if (const char* env = std::getenv("VX_SHARED_DIR"); env && *env) {
        return env;
    }
    return VX_SHARED_DIR;
}

inline std::filesystem::path CorpusFile(const std::string& name) {
    return SharedDir() / "corpus" / name;
}

inline std::u16string CorpusPackage(const std::string& name) {
    return Utf8ToUtf16(CorpusFile(name).string());
}

// The real-world packages the tests read, those present in this checkout.
inline std::vector<std::filesystem::path> CorpusPackages() {
    std::vector<std::filesystem::path> present;
    for (const char* name :
         {"putty-0.68-installer.msi", "msi_with_external_cab.msi", "NUnit-2.5.2.9222.msi"}) {
        if (std::filesystem::exists(CorpusFile(name))) {
            present.push_back(CorpusFile(name));
        }
    }
    return present;
}

#ifdef VX_FIXTURE_DIR
inline std::string FixtureFile(const std::string& name) {
    return std::string(VX_FIXTURE_DIR) + "/" + name + ".msi";
}

inline std::u16string FixturePackage(const std::string& name) {
    return Utf8ToUtf16(FixtureFile(name));
}
#endif

// An independent extractor's listing of a corpus package (NAME.extracted.csv): each file's
// path as it wrote it (starting "\SourceDir\"), and its size.
inline std::vector<std::pair<std::string, uintmax_t>> ExtractedListing(const std::string& package) {
    std::ifstream in(CorpusFile(package.substr(0, package.rfind('.')) + ".extracted.csv"));
    std::vector<std::pair<std::string, uintmax_t>> listed;
    std::string line;
    std::getline(in, line); // "Path,Size,..."
    while (std::getline(in, line)) {
        // The path is everything before the last four fields (size, two times, attributes).
        size_t end = line.size();
        for (int i = 0; i < 4 && end != std::string::npos && end > 0; ++i) {
            end = line.rfind(',', end - 1);
        }
        if (end != std::string::npos && end > 0) {
            listed.emplace_back(line.substr(0, end), std::stoull(line.substr(end + 1)));
        }
    }
    return listed;
}

} // namespace vx::testing

// Skips the test when the corpus is not where it should be (a checkout without shared/).
#define VX_REQUIRE_CORPUS(name)                                                                    \
    do {                                                                                           \
        if (!std::filesystem::exists(::vx::testing::CorpusFile(name))) {                           \
            GTEST_SKIP() << "corpus package missing: " << ::vx::testing::CorpusFile(name);         \
        }                                                                                          \
    } while (0)
