// The project file's costs: one committed entry write, adding a file to the patch as the page
// does (the entry, its settings and the original package's answers), 5,000 files added in one
// batch against one commit each, a lookup by key, and enumerating every entry of a project of
// 2,000.

#include "VxWsApplicationFilesEP/patchlist/patch_file_adder.h"
#include "ide/automation/project_batch.h"
#include "ide/automation/project_factory.h"
#include "platform/com/com_exception.h"
#include "platform/sys/wide_string.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace vx;

struct BenchProject {
    explicit BenchProject(const std::u16string& original = u"a.msi") {
        folder = std::filesystem::temp_directory_path() /
                 ("vx-project-bench-" + std::to_string(::getpid()));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        ThrowIfFailed(CreateProject(Utf8ToUtf16((folder / "b.vxp").string()), kPatchProjectType,
                                    original, {}, project.ReleaseAndGetAddressOf()));
        ComPtr<IKestromProject> link;
        ThrowIfFailed(
            project->QueryInterface(IKestromProject::kIid, link.ReleaseAndGetVoidAddress()));
        ThrowIfFailed(link->GetPatchProject(patch.ReleaseAndGetAddressOf()));
        ThrowIfFailed(patch->GetFiles(files.ReleaseAndGetAddressOf()));
    }
    ~BenchProject() { std::filesystem::remove_all(folder); }
    void Add(const std::u16string& key) {
        ComPtr<IUnknown> item;
        ThrowIfFailed(
            patch->CreateItem(kPatchFileItemKind, key.c_str(), u"", item.ReleaseAndGetAddressOf()));
    }

    std::filesystem::path folder;
    ComPtr<IProject> project;
    ComPtr<IPatchProject> patch;
    ComPtr<IPatchFiles> files;
};

void BM_CreateEntry(benchmark::State& state) {
    BenchProject bench;
    int i = 0;
    for (auto _ : state) {
        bench.Add(u"file" + Utf8ToUtf16(std::to_string(i++)));
    }
}
BENCHMARK(BM_CreateEntry)->Unit(benchmark::kMicrosecond);

// A new file added to the patch: the entry, four settings, and five queries of the original
// package (which opens it each time), written as one update.
void BM_AddPatchFile(benchmark::State& state) {
    BenchProject bench(Utf8ToUtf16(std::string(VX_FIXTURE_DIR) + "/patchrules.msi"));
    ComPtr<IProjectRoot> root;
    ThrowIfFailed(bench.project->GetProjectRoot(root.ReleaseAndGetAddressOf()));
    CPatchFileAdder adder(bench.patch.Get(), root.Get());
    int i = 0;
    for (auto _ : state) {
        const std::u16string key = u"new" + Utf8ToUtf16(std::to_string(i++));
        if (!adder.AddPatchFile(key, kPatchTypeNewFile, u"/tmp/" + key)) {
            state.SkipWithError("the file was not added");
            break;
        }
    }
}
BENCHMARK(BM_AddPatchFile)->Unit(benchmark::kMillisecond);

// 5,000 existing files of the 50,000-file package added as vxpatch add does, all in one batch
// (batch:1) or each add committed on its own (batch:0). Each iteration starts from a new project.
void BM_AddKeys(benchmark::State& state) {
    constexpr int kKeys = 5000;
    const bool batched = state.range(0) != 0;
    std::vector<std::u16string> keys;
    for (int i = 0; i < kKeys; ++i) {
        char key[8];
        std::snprintf(key, sizeof key, "F%05d", i * 10); // spread over the package
        keys.push_back(Utf8ToUtf16(key));
    }
    for (auto _ : state) {
        state.PauseTiming();
        auto bench = std::make_unique<BenchProject>(
            Utf8ToUtf16(std::string(VX_FIXTURE_DIR) + "/big50k.msi"));
        ComPtr<IProjectRoot> root;
        ThrowIfFailed(bench->project->GetProjectRoot(root.ReleaseAndGetAddressOf()));
        CPatchFileAdder adder(bench->patch.Get(), root.Get());
        state.ResumeTiming();
        {
            std::optional<CProjectBatch> batch;
            if (batched) {
                batch.emplace(bench->patch.Get());
            }
            for (const std::u16string& key : keys) {
                adder.AddPatchFile(key, kPatchTypeUpdate, u"");
            }
            if (batch) {
                batch->Commit();
            }
        }
        state.PauseTiming();
        int32_t count = 0;
        ThrowIfFailed(bench->files->GetCount(&count));
        if (count != kKeys) {
            state.SkipWithError("not every key was added");
        }
        bench.reset();
        state.ResumeTiming();
    }
    state.counters["keys"] = kKeys;
}
BENCHMARK(BM_AddKeys)
    ->ArgName("batch")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

void BM_LookupEntry(benchmark::State& state) {
    BenchProject bench;
    for (int i = 0; i < 2000; ++i) {
        bench.Add(u"file" + Utf8ToUtf16(std::to_string(i)));
    }
    const Variant key(std::u16string_view{u"file1234"});
    for (auto _ : state) {
        ComPtr<IPatchFile> entry;
        ThrowIfFailed(bench.files->Item(key.Get(), entry.ReleaseAndGetAddressOf()));
        VARIANT_BOOL flag = 0;
        ThrowIfFailed(entry->GetSelfReg(&flag));
        benchmark::DoNotOptimize(flag);
    }
}
BENCHMARK(BM_LookupEntry)->Unit(benchmark::kMicrosecond);

void BM_EnumerateEntries(benchmark::State& state) {
    BenchProject bench;
    for (int i = 0; i < 2000; ++i) {
        bench.Add(u"file" + Utf8ToUtf16(std::to_string(i)));
    }
    for (auto _ : state) {
        ComPtr<IEnumVARIANT> entries;
        ThrowIfFailed(bench.files->NewEnum(entries.ReleaseAndGetAddressOf()));
        ULONG fetched = 0;
        do {
            VARIANT item;
            ThrowIfFailed(entries->Next(1, &item, &fetched));
            if (fetched) {
                ComPtr<IPatchFile> entry;
                item.punkVal->QueryInterface(IPatchFile::kIid, entry.ReleaseAndGetVoidAddress());
                VariantClear(&item);
                int32_t type = 0;
                ThrowIfFailed(entry->GetType(&type));
            }
        } while (fetched);
    }
}
BENCHMARK(BM_EnumerateEntries)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
