// The project file's costs: one committed entry write, a lookup by key, and enumerating every
// entry of a project of 2,000.

#include "ide/automation/project_factory.h"
#include "platform/com/com_exception.h"
#include "platform/sys/wide_string.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

using namespace vx;

struct BenchProject {
    BenchProject() {
        folder = std::filesystem::temp_directory_path() /
                 ("vx-project-bench-" + std::to_string(::getpid()));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        ThrowIfFailed(CreateProject(Utf8ToUtf16((folder / "b.vxp").string()), kPatchProjectType,
                                    u"a.msi", {}, project.ReleaseAndGetAddressOf()));
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
