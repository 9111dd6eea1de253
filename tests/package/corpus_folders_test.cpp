// Source-mode folders of real packages against an independent extractor's listing
// (corpus/NAME.extracted.csv: the path it gave each file, relative to SourceDir).
//
// What the two have in common, and so what is compared: the folder part below the source root,
// walked from the file's component's Directory_ through the source names of DefaultDir.
// What is left out, and why:
// - The extractor's paths start with "\<TARGETDIR's source name>\" ("\SourceDir\"); our source
//   folders are relative to the package's folder, which stands in for TARGETDIR. The prefix is
//   taken off before comparing.
// - Letter case: the paths are Windows paths, which compare without regard to case, and the
//   extractor is free to write either.
// - A file directly in TARGETDIR: our folder text for it is "TARGETDIR" itself (the tree relies
//   on that), the extractor's is the root. Such files are skipped.
// - A file whose name the extractor wrote by rules of its own (no listed path ends in the
//   file's long name) cannot be paired with a row, so its folder is not compared.
// The listing has no File keys, so rows are paired by name; files of the same name in several
// folders each take one listed row of their folder, so every folder must be accounted for.

#include "VxWsApplicationFilesEP/package/msi_package.h"
#include "platform/sys/path_strings.h"
#include "platform/sys/wide_string.h"
#include "support/test_paths.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

using namespace vx;

namespace {

std::u16string Lower(std::u16string text) {
    for (char16_t& c : text) {
        c = AsciiToLower(c);
    }
    return text;
}

// Folder and leaf of a backslash path.
std::pair<std::u16string, std::u16string> SplitLeaf(const std::u16string& path) {
    const size_t slash = path.rfind(u'\\');
    if (slash == std::u16string::npos) {
        return {u"", path};
    }
    return {path.substr(0, slash), path.substr(slash + 1)};
}

// The source-mode half of a DefaultDir, read through its long name.
std::u16string SourceName(const std::u16string& defaultDir) {
    const size_t colon = defaultDir.find(u':');
    return LongName(colon != std::u16string::npos && colon > 0 ? defaultDir.substr(colon + 1)
                                                               : defaultDir);
}

class CorpusFolders : public ::testing::TestWithParam<std::string> {};

TEST_P(CorpusFolders, SourceFoldersAreWhereTheExtractorPutTheFiles) {
    const std::string& name = GetParam();
    VX_REQUIRE_CORPUS(name);
    CVxMsiPackage package(vx::testing::CorpusPackage(name));
    ASSERT_NE(package.GetDatabaseHandle(), 0u);

    const CMsiRecord root = package.FindRecord(u"Directory", u"Directory", u"TARGETDIR", u"");
    ASSERT_TRUE(root.HasRow());
    const std::u16string rootPrefix = Lower(u"\\" + SourceName(root.GetString(3)) + u"\\");
    // Listed paths, lowered, without the root prefix: leaf -> folder -> how many.
    std::map<std::u16string, std::map<std::u16string, int>> listing;
    for (const auto& [listed, size] : vx::testing::ExtractedListing(name)) {
        std::u16string path = Lower(Utf8ToUtf16(listed));
        EXPECT_EQ(path.rfind(rootPrefix, 0), 0u) << listed;
        auto [folder, leaf] = SplitLeaf(path.substr(rootPrefix.size()));
        ++listing[leaf][folder];
    }

    int files = 0;
    int compared = 0;
    CMsiView* view = package.OpenTableView(u"File", u"");
    while (CMsiRecord file = view->Fetch()) {
        ++files;
        const CMsiRecord component =
            package.FindRecord(u"Component", u"Component", file.GetString(2), u"");
        ASSERT_TRUE(component.HasRow()) << Utf16ToUtf8(file.GetString(1));
        const std::u16string directory = component.GetString(3);
        const std::u16string leaf = Lower(package.GetLongFileName(file.GetString(3)));
        const auto named = listing.find(leaf);
        if (directory == u"TARGETDIR" || named == listing.end()) {
            continue;
        }
        ++compared;
        const std::u16string folder = Lower(package.Resolver().ResolveDirectory(directory, true));
        const auto listed = named->second.find(folder);
        if (listed == named->second.end() || listed->second == 0) {
            ADD_FAILURE() << name << ": " << Utf16ToUtf8(file.GetString(1)) << " resolves to \""
                          << Utf16ToUtf8(folder) << "\", not listed for " << Utf16ToUtf8(leaf);
            continue;
        }
        --listed->second;
    }
    EXPECT_GT(files, 0);
    // Every file of these packages has a name the extractor wrote the same way.
    EXPECT_EQ(compared, files) << name;
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusFolders,
                         ::testing::Values("putty-0.68-installer.msi", "msi_with_external_cab.msi",
                                           "NUnit-2.5.2.9222.msi"),
                         [](const auto& p) { return p.param.substr(0, 5); });

} // namespace
