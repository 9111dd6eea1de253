// The project file between processes: a writer killed in the middle of its writes leaves every
// committed entry intact, and two writers at once lose nothing.

#include "support/child_process.h"
#include "support/project_helpers.h"
#include "support/scratch_folder.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace vx {
namespace {

using namespace testing;

std::u16string KeyFor(const std::string& prefix, int i) {
    return Utf8ToUtf16(prefix + std::to_string(i));
}

EntrySettings Expected(int i) {
    EntrySettings s;
    s.type = i % 3;
    s.newFilePath = Utf8ToUtf16("/payload/file" + std::to_string(i) + ".bin");
    s.selfReg = i % 2 == 1;
    s.feature = Utf8ToUtf16("F" + std::to_string(i));
    return s;
}

// The writes of one entry, each its own transaction. Answers false on the first failure.
bool WriteEntry(IPatchProject* patch, const std::string& prefix, int i) {
    ComPtr<IUnknown> item;
    ComPtr<IPatchFile> entry;
    const EntrySettings s = Expected(i);
    return SUCCEEDED(patch->CreateItem(kPatchFileItemKind, KeyFor(prefix, i).c_str(), u"",
                                       item.ReleaseAndGetAddressOf())) &&
           SUCCEEDED(item.As(entry)) && SUCCEEDED(entry->PutType(s.type)) &&
           SUCCEEDED(entry->PutNewFilePath(s.newFilePath.c_str())) &&
           SUCCEEDED(entry->PutSelfReg(s.selfReg ? VARIANT_TRUE : VARIANT_FALSE)) &&
           SUCCEEDED(entry->PutFeature(s.feature.c_str()));
}

int32_t CountOf(IPatchProject* patch) {
    int32_t count = 0;
    ThrowIfFailed(FilesOf(patch)->GetCount(&count));
    return count;
}

TEST(ProjectProcesses, AWriterKilledMidWriteLeavesEveryCommittedEntry) {
    ScratchFolder folder;
    const std::u16string path = folder.Wide("crash.vxp");
    NewProject(path, u"a.msi");
    std::mt19937 random(12345);
    int committed = 0;         // entries whose last write the writer reported
    std::set<int> halfWritten; // entries whose writer died between their writes
    for (int round = 0; round < 4; ++round) {
        ForkedChild writer([&](int report) {
            ComPtr<IProject> project;
            if (FAILED(OpenProject(path, {}, project.ReleaseAndGetAddressOf()))) {
                return 3;
            }
            auto patch = PatchOf(project.Get());
            for (int i = committed;; ++i) {
                const int done = i + 1;
                if (!WriteEntry(patch.Get(), "k", i) ||
                    ::write(report, &done, sizeof done) != sizeof done) {
                    return 4;
                }
            }
        });
        const int target = committed + 20 + static_cast<int>(random() % 60);
        int done = committed;
        while (done < target && writer.Read(done)) {
        }
        // Let it get a little way into the next writes, so that the kill lands inside one.
        ::usleep(static_cast<useconds_t>(random() % 3000));
        const int status = writer.Wait(true);
        for (int more = 0; writer.Read(more);) { // reports written before the kill
            done = more;
        }
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped on its own: " << status;
        ASSERT_GE(done, target);

        auto patch = PatchOf(ReopenProject(path).Get());
        for (int i = 0; i < done; ++i) {
            auto entry = Entry(patch.Get(), KeyFor("k", i));
            ASSERT_TRUE(entry) << i;
            if (!halfWritten.count(i)) {
                EXPECT_EQ(SettingsOf(entry.Get()), Expected(i)) << i;
            }
        }
        // At most the one entry being written when the writer died goes beyond the reports;
        // the next round continues after it.
        const int32_t count = CountOf(patch.Get());
        EXPECT_GE(count, done);
        EXPECT_LE(count, done + 1);
        if (count > done) {
            halfWritten.insert(done);
        }
        committed = count;
    }
}

TEST(ProjectProcesses, TwoWritersAtOnceLoseNothing) {
    ScratchFolder folder;
    const std::u16string path = folder.Wide("shared.vxp");
    NewProject(path, u"a.msi");
    constexpr int kPerWriter = 120;
    const auto write = [&](const std::string& prefix) {
        return [&path, prefix](int) {
            ProjectOpenOptions patient;
            patient.busyTimeoutMs = 10000;
            ComPtr<IProject> project;
            if (FAILED(OpenProject(path, patient, project.ReleaseAndGetAddressOf()))) {
                return 3;
            }
            auto patch = PatchOf(project.Get());
            for (int i = 0; i < kPerWriter; ++i) {
                if (!WriteEntry(patch.Get(), prefix, i)) {
                    return 4;
                }
            }
            return 0;
        };
    };
    ForkedChild left(write("left"));
    ForkedChild right(write("right"));
    for (ForkedChild* writer : {&left, &right}) {
        const int status = writer->Wait();
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    auto patch = PatchOf(ReopenProject(path).Get());
    EXPECT_EQ(CountOf(patch.Get()), 2 * kPerWriter);
    for (int i = 0; i < kPerWriter; ++i) {
        for (const char* prefix : {"left", "right"}) {
            auto entry = Entry(patch.Get(), KeyFor(prefix, i));
            ASSERT_TRUE(entry) << prefix << i;
            EXPECT_EQ(SettingsOf(entry.Get()), Expected(i)) << prefix << i;
        }
    }
}

} // namespace
} // namespace vx
