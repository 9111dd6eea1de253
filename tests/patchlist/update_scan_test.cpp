// The update scan as a dialog uses it: progress and cancel while scanning, and only the
// proposals the author kept applied, as one write of the project. The folder is the scan
// fixture's setup image, which holds one of its seven files.

#include "VxWsApplicationFilesEP/scan/update_scan.h"
#include "patchlist/patchlist_helpers.h"

#include <gtest/gtest.h>

using namespace vx;
using namespace vx::testing;

namespace {

const std::u16string kImage = Utf8ToUtf16(std::string(VX_FIXTURE_DIR) + "/scan");

} // namespace

TEST(UpdateScan, ReportsProgressAndStopsWhenCancelled) {
    FixtureProject fixture("scan/scan");
    CUpdateScan scan(fixture.patch.Get(), fixture.root.Get());
    std::vector<uint64_t> done;
    const ScanResult whole = scan.Scan(kImage, [&](uint64_t count, uint64_t total, uint64_t) {
        EXPECT_EQ(total, 7u);
        done.push_back(count);
        return true;
    });
    EXPECT_EQ(done, (std::vector<uint64_t>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_FALSE(whole.cancelled);
    ASSERT_EQ(whole.files.size(), 7u); // the package itself at the top is no file of it
    EXPECT_EQ(whole.files[6].status, ScanStatus::Unchanged);
    EXPECT_EQ(whole.files[6].key, u"Guide");

    const ScanResult stopped =
        scan.Scan(kImage, [](uint64_t count, uint64_t, uint64_t) { return count < 3; });
    EXPECT_TRUE(stopped.cancelled);
    EXPECT_TRUE(stopped.files.empty());
}

TEST(UpdateScan, AppliesTheKeptProposalsAsOneChangeOfTheProject) {
    FixtureProject fixture("scan/scan");
    CUpdateScan scan(fixture.patch.Get(), fixture.root.Get());
    const ScanResult result = scan.Scan(kImage);
    EXPECT_TRUE(ProposeEntries(result, false).empty()) << "missing files need deletes";
    std::vector<ScanProposal> proposals = ProposeEntries(result, true);
    ASSERT_EQ(proposals.size(), 6u);
    proposals.erase(proposals.begin() + 2, proposals.end()); // the author kept two
    const ComPtr<RecordingSink> sink = Listen(fixture.project.Get());

    const std::vector<ApplyOutcome> outcomes = scan.Apply(proposals);
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_TRUE(outcomes[0].added && outcomes[1].added);
    EXPECT_EQ(KeysOf(fixture.patch.Get()), (std::vector<std::u16string>{u"AppExe", u"CoreDll"}));
    EXPECT_EQ(SettingsOf(Entry(fixture.patch.Get(), u"CoreDll").Get()).type, kPatchTypeDelete);
    EXPECT_EQ(sink->events, std::vector<std::u16string>{kSeveralEntries});
}
