// The update scan of the generated 50,000-file package (big50k, 1.3 GB of files) against a
// folder of its files in which 1% changed: every 200th file by its content at the same size,
// every 200th from the 100th on by its size. The package's setup image (the original bytes) and
// the folder are written at start into a temporary folder and scanned once before the timing,
// so the file cache is warm. Two forms of the package: as generated (same-size files compared
// with the original's bytes) and with an MsiFileHash row per file (the folder's files hashed).
//
// Counters: files hashed, files compared byte by byte and bytes read, per scan.

#include "VxWsApplicationFilesEP/package/source_layout.h"
#include "VxWsApplicationFilesEP/scan/file_content.h"
#include "VxWsApplicationFilesEP/scan/update_scan.h"
#include "platform/sys/wide_string.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using namespace vx;

constexpr size_t kEvery = 200;

void Run(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "scan_bench: failed: %s\n", command.c_str());
        std::exit(1);
    }
}

std::string Quote(const fs::path& path) {
    return "'" + path.string() + "'";
}

void WriteFile(const fs::path& path, const std::vector<char>& pattern, size_t index, size_t size) {
    std::ofstream file(path, std::ios::binary);
    const std::string stamp = std::to_string(index) + ":";
    file.write(stamp.data(), static_cast<std::streamsize>(std::min(stamp.size(), size)));
    for (size_t written = stamp.size(); written < size;) {
        const size_t n = std::min(pattern.size(), size - written);
        file.write(pattern.data(), static_cast<std::streamsize>(n));
        written += n;
    }
}

struct Generated {
    fs::path root;
    fs::path plain;  // image/big50k.msi, with the setup image beside it
    fs::path hashed; // image/hashed.msi: the same with MsiFileHash rows
    fs::path folder; // the updated product
    size_t changed = 0;

    Generated() = default;
    Generated(const Generated&) = delete;
    Generated& operator=(const Generated&) = delete;
    ~Generated() {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
};

void Generate(Generated& made) {
    std::string pattern = (fs::temp_directory_path() / "vxscanbench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        std::exit(1);
    }
    made.root = pattern;
    const fs::path image = made.root / "image";
    fs::create_directories(image);
    made.plain = image / "big50k.msi";
    made.hashed = image / "hashed.msi";
    made.folder = made.root / "folder";
    fs::copy_file(fs::path(VX_FIXTURE_DIR) / "big50k.msi", made.plain);

    std::vector<char> bytes(64 * 1024);
    uint32_t state = 2166136261u;
    for (char& c : bytes) {
        state = state * 1664525u + 1013904223u;
        c = static_cast<char>(state >> 24);
    }
    CVxMsiPackage package(Utf8ToUtf16(made.plain.string()));
    CSourceLayout layout(package);
    const std::vector<SourceFile> files = layout.ReadFiles();
    std::string hashRows = "File_\tOptions\tHashPart1\tHashPart2\tHashPart3\tHashPart4\r\n"
                           "s72\ti2\ti4\ti4\ti4\ti4\r\nMsiFileHash\tFile_\r\n";
    CFileContent content;
    for (size_t i = 0; i < files.size(); ++i) {
        fs::path original = image;
        fs::path updated = made.folder;
        for (const auto& segment : files[i].segments) {
            original /= Utf16ToUtf8(segment);
            updated /= Utf16ToUtf8(segment);
        }
        fs::create_directories(original.parent_path());
        fs::create_directories(updated.parent_path());
        const auto size = static_cast<size_t>(files[i].size);
        WriteFile(original, bytes, i, size);
        std::u16string failure;
        const FileHashParts parts = HashPartsOf(*content.Md5(original.string(), failure));
        hashRows += Utf16ToUtf8(files[i].key) + "\t0";
        for (const int32_t part : parts) {
            hashRows += "\t" + std::to_string(part);
        }
        hashRows += "\r\n";
        if (i % kEvery == 0) {
            WriteFile(updated, bytes, i + 1, size); // same size, other bytes
            ++made.changed;
        } else if (i % kEvery == kEvery / 2) {
            WriteFile(updated, bytes, i, size + 1);
            ++made.changed;
        } else {
            fs::copy_file(original, updated);
        }
    }
    const fs::path idt = made.root / "idt";
    fs::create_directories(idt);
    std::ofstream(idt / "MsiFileHash.idt", std::ios::binary) << hashRows;
    fs::copy_file(made.plain, made.hashed);
    Run("cd " + Quote(idt) + " && msibuild " + Quote(made.hashed) +
        " -i MsiFileHash.idt >/dev/null");
}

const Generated& Package() {
    static Generated generated;
    static const bool made = (Generate(generated), true);
    (void)made;
    return generated;
}

void Measure(benchmark::State& state, const fs::path& package) {
    const Generated& g = Package();
    const std::u16string packagePath = Utf8ToUtf16(package.string());
    const std::u16string folder = Utf8ToUtf16(g.folder.string());
    ScanPackageFolder(packagePath, folder); // warms the file cache
    ScanResult result;
    for (auto _ : state) {
        result = ScanPackageFolder(packagePath, folder);
    }
    size_t changed = 0;
    for (const ScannedFile& file : result.files) {
        changed += file.status == ScanStatus::Changed ? 1 : 0;
    }
    if (changed != g.changed || result.files.size() != 50000) {
        state.SkipWithError("the scan did not find exactly the changed files");
    }
    state.counters["filesHashed"] = static_cast<double>(result.counters.filesHashed);
    state.counters["filesCompared"] = static_cast<double>(result.counters.filesCompared);
    state.counters["bytesRead"] = static_cast<double>(result.counters.bytesRead);
}

void BM_ScanBig50kAgainstTheOriginalBytes(benchmark::State& state) {
    Measure(state, Package().plain);
}

void BM_ScanBig50kByHashRows(benchmark::State& state) {
    Measure(state, Package().hashed);
}

BENCHMARK(BM_ScanBig50kAgainstTheOriginalBytes)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK(BM_ScanBig50kByHashRows)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

BENCHMARK_MAIN();
