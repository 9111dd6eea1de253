// The project file between processes: a writer killed in the middle of its writes leaves every
// committed entry intact, and two writers at once lose nothing.

#include "automation/project_helpers.h"
#include "support/scratch_folder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <random>
#include <set>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace vx {
namespace {

using testing::Entry;
using testing::NewProject;
using testing::PatchOf;
using testing::ReopenProject;

std::u16string KeyFor(const std::string& prefix, int i) {
    return Utf8ToUtf16(prefix + std::to_string(i));
}

std::u16string PathFor(int i) {
    return Utf8ToUtf16("/payload/file" + std::to_string(i) + ".bin");
}

// The writes of one entry, each its own transaction. Answers false on the first failure.
bool WriteEntry(IPatchProject* patch, const std::string& prefix, int i) {
    ComPtr<IUnknown> item;
    ComPtr<IPatchFile> entry;
    const std::u16string key = KeyFor(prefix, i);
    return SUCCEEDED(patch->CreateItem(kPatchFileItemKind, key.c_str(), u"",
                                       item.ReleaseAndGetAddressOf())) &&
           SUCCEEDED(item.As(entry)) && SUCCEEDED(entry->PutType(i % 3)) &&
           SUCCEEDED(entry->PutNewFilePath(PathFor(i).c_str())) &&
           SUCCEEDED(entry->PutSelfReg(i % 2 ? VARIANT_TRUE : VARIANT_FALSE)) &&
           SUCCEEDED(entry->PutFeature(Utf8ToUtf16("F" + std::to_string(i)).c_str()));
}

void ExpectEntry(IPatchProject* patch, const std::string& prefix, int i) {
    auto entry = Entry(patch, KeyFor(prefix, i));
    ASSERT_TRUE(entry) << prefix << i;
    int32_t type = -1;
    VARIANT_BOOL selfReg = 0;
    BStr path, feature;
    ThrowIfFailed(entry->GetType(&type));
    ThrowIfFailed(entry->GetSelfReg(&selfReg));
    ThrowIfFailed(entry->GetNewFilePath(path.Out()));
    ThrowIfFailed(entry->GetFeature(feature.Out()));
    EXPECT_EQ(type, i % 3);
    EXPECT_EQ(selfReg != VARIANT_FALSE, i % 2 == 1);
    EXPECT_EQ(path.ToString(), PathFor(i));
    EXPECT_EQ(feature.ToString(), Utf8ToUtf16("F" + std::to_string(i)));
}

int32_t CountOf(IPatchProject* patch) {
    int32_t count = 0;
    ThrowIfFailed(testing::FilesOf(patch)->GetCount(&count));
    return count;
}

TEST(ProjectProcesses, AWriterKilledMidWriteLeavesEveryCommittedEntry) {
    testing::ScratchFolder folder;
    const std::u16string path = folder.Wide("crash.vxp");
    NewProject(path, u"a.msi");
    std::mt19937 random(12345);
    int committed = 0;         // entries whose last write the writer reported
    std::set<int> halfWritten; // entries whose writer died between their writes
    for (int round = 0; round < 4; ++round) {
        int report[2];
        ASSERT_EQ(::pipe(report), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(report[0]);
            ComPtr<IProject> project;
            if (FAILED(OpenProject(path, {}, project.ReleaseAndGetAddressOf()))) {
                ::_exit(3);
            }
            auto patch = PatchOf(project.Get());
            for (int i = committed;; ++i) {
                if (!WriteEntry(patch.Get(), "k", i)) {
                    ::_exit(4);
                }
                const int done = i + 1;
                if (::write(report[1], &done, sizeof done) != sizeof done) {
                    ::_exit(5);
                }
            }
        }
        ::close(report[1]);
        const int target = committed + 20 + static_cast<int>(random() % 60);
        int done = committed;
        while (done < target && ::read(report[0], &done, sizeof done) == sizeof done) {
        }
        // Let it get a little way into the next writes, so that the kill lands inside one.
        ::usleep(static_cast<useconds_t>(random() % 3000));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        // Reports written before the kill may still be in the pipe.
        for (int more = 0; ::read(report[0], &more, sizeof more) == sizeof more;) {
            done = more;
        }
        ::close(report[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped on its own: " << status;
        ASSERT_GE(done, target);

        auto project = ReopenProject(path);
        auto patch = PatchOf(project.Get());
        for (int i = 0; i < done; ++i) {
            if (halfWritten.count(i)) {
                EXPECT_TRUE(Entry(patch.Get(), KeyFor("k", i)));
            } else {
                ExpectEntry(patch.Get(), "k", i);
            }
        }
        // At most the one entry being written when the writer died goes beyond the reports.
        const int32_t count = CountOf(patch.Get());
        EXPECT_GE(count, done);
        EXPECT_LE(count, done + 1);
        // The next round continues after whatever is there, the half-written one included.
        if (count > done) {
            halfWritten.insert(done);
        }
        committed = count;
    }
}

TEST(ProjectProcesses, TwoWritersAtOnceLoseNothing) {
    testing::ScratchFolder folder;
    const std::u16string path = folder.Wide("shared.vxp");
    NewProject(path, u"a.msi");
    constexpr int kPerWriter = 120;
    pid_t writers[2];
    for (int w = 0; w < 2; ++w) {
        writers[w] = ::fork();
        ASSERT_GE(writers[w], 0);
        if (writers[w] == 0) {
            ProjectOpenOptions patient;
            patient.busyTimeoutMs = 10000;
            ComPtr<IProject> project;
            if (FAILED(OpenProject(path, patient, project.ReleaseAndGetAddressOf()))) {
                ::_exit(3);
            }
            auto patch = PatchOf(project.Get());
            for (int i = 0; i < kPerWriter; ++i) {
                if (!WriteEntry(patch.Get(), w == 0 ? "left" : "right", i)) {
                    ::_exit(4);
                }
            }
            ::_exit(0);
        }
    }
    for (pid_t writer : writers) {
        int status = 0;
        ::waitpid(writer, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    auto project = ReopenProject(path);
    auto patch = PatchOf(project.Get());
    EXPECT_EQ(CountOf(patch.Get()), 2 * kPerWriter);
    for (int i = 0; i < kPerWriter; ++i) {
        ExpectEntry(patch.Get(), "left", i);
        ExpectEntry(patch.Get(), "right", i);
    }
}

} // namespace
} // namespace vx
