#pragma once
// Where tests find the shared corpus of real-world packages, and a digest to prove a package was
// never written.

#include "platform/sys/wide_string.h"

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

inline std::vector<uint8_t> FileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

} // namespace vx::testing

// Skips the test when the corpus is not where it should be (a checkout without shared/).
#define VX_REQUIRE_CORPUS(name)                                                                    \
    do {                                                                                           \
        if (!std::filesystem::exists(::vx::testing::CorpusFile(name))) {                           \
            GTEST_SKIP() << "corpus package missing: " << ::vx::testing::CorpusFile(name);       \
        }                                                                                          \
    } while (0)
