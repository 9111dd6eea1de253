// vxpatch extract-all beside cabextract on the same cabinet, in the same run. The package is
// generated here, in a temporary folder, at start: 5,000 files of 40,000 bytes (200 MB) in one
// MSZIP cabinet made by gcab, beside the package (so both tools read the very same file) and,
// for a second figure, the same cabinet stored inside a package.
//
// Each iteration extracts everything into a fresh folder and removes it afterwards (outside
// the timing). Wall time is what counts: both tools mostly wait for the disk.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 5000;
constexpr size_t kFileBytes = 40000; // 200,000,000 bytes in all
constexpr int kFolders = 50;

std::string Quote(const fs::path& path) {
    return "'" + path.string() + "'";
}

void Run(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "extract_bench: failed: %s\n", command.c_str());
        std::exit(1);
    }
}

std::string Key(int i) {
    char text[16];
    std::snprintf(text, sizeof text, "F%05d", i);
    return text;
}

// Compressible about as well as program files are: runs of a small alphabet with noise.
std::string Payload(int file) {
    std::string data(kFileBytes, '\0');
    uint32_t state = 2166136261u ^ static_cast<uint32_t>(file);
    for (size_t i = 0; i < data.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        data[i] = static_cast<char>((state >> 28) < 12 ? 'a' + ((state >> 24) & 7) : (state >> 16));
    }
    return data;
}

void WriteIdt(const fs::path& path, const std::string& text) {
    std::ofstream(path) << text;
}

struct Generated {
    fs::path root;
    fs::path externalPackage; // data.cab beside it
    fs::path embeddedPackage; // the same cabinet inside
    fs::path cabinet;
};

Generated Generate() {
    Generated g;
    std::string pattern = (fs::temp_directory_path() / "vxbench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        std::exit(1);
    }
    g.root = pattern;
    const fs::path members = g.root / "members";
    fs::create_directories(members);
    for (int i = 0; i < kFiles; ++i) {
        std::ofstream(members / Key(i), std::ios::binary) << Payload(i);
    }
    fs::create_directories(g.root / "external");
    g.cabinet = g.root / "external/data.cab";
    Run("cd " + Quote(members) + " && gcab -c -z -n " + Quote(g.cabinet) + " F* >/dev/null");

    const fs::path idt = g.root / "idt";
    fs::create_directories(idt);
    std::string directory = "Directory\tDirectory_Parent\tDefaultDir\r\ns72\tS72\tl255\r\n"
                            "Directory\tDirectory\r\nTARGETDIR\t\tSourceDir\r\n"
                            "ProgramFilesFolder\tTARGETDIR\t.\r\n"
                            "INSTALLDIR\tProgramFilesFolder\tBENCH~1|Bench App\r\n";
    std::string component = "Component\tComponentId\tDirectory_\tAttributes\tCondition\tKeyPath\r\n"
                            "s72\tS38\ts72\ti2\tS255\tS72\r\nComponent\tComponent\r\n";
    for (int d = 0; d < kFolders; ++d) {
        directory += "D" + std::to_string(d) + "\tINSTALLDIR\tfolder" + std::to_string(d) + "\r\n";
        component += "C" + std::to_string(d) + "\t\tD" + std::to_string(d) + "\t0\t\t\r\n";
    }
    std::string file = "File\tComponent_\tFileName\tFileSize\tVersion\tLanguage\tAttributes\t"
                       "Sequence\r\ns72\ts72\tl255\ti4\tS72\tS20\tI2\ti4\r\nFile\tFile\r\n";
    for (int i = 0; i < kFiles; ++i) {
        file += Key(i) + "\tC" + std::to_string(i % kFolders) + "\tfile" + Key(i) + ".dat\t" +
                std::to_string(kFileBytes) + "\t\t\t16384\t" + std::to_string(i + 1) + "\r\n";
    }
    WriteIdt(idt / "Directory.idt", directory);
    WriteIdt(idt / "Component.idt", component);
    WriteIdt(idt / "File.idt", file);
    const std::string media = "DiskId\tLastSequence\tDiskPrompt\tCabinet\tVolumeLabel\tSource\r\n"
                              "i2\ti4\tL64\tS255\tS32\tS72\r\nMedia\tDiskId\r\n1\t" +
                              std::to_string(kFiles) + "\t\t";
    WriteIdt(idt / "Media.idt", media + "data.cab\t\t\r\n");
    fs::create_directories(idt / "embedded");
    WriteIdt(idt / "embedded/Media.idt", media + "#data.cab\t\t\r\n");

    g.externalPackage = g.root / "external/bench.msi";
    g.embeddedPackage = g.root / "bench-embedded.msi";
    for (const auto& [package, mediaIdt] :
         {std::pair{g.externalPackage, idt / "Media.idt"},
          std::pair{g.embeddedPackage, idt / "embedded/Media.idt"}}) {
        const std::string msibuild = "msibuild " + Quote(package);
        Run("cd " + Quote(idt) + " && " + msibuild +
            " -s Bench Bench 'Intel;1033' '{B0000000-0000-4000-8000-000000000001}' >/dev/null");
        Run("cd " + Quote(idt) + " && " + msibuild + " -i Directory.idt Component.idt File.idt " +
            Quote(mediaIdt) + " >/dev/null");
    }
    Run("msibuild " + Quote(g.embeddedPackage) + " -a data.cab " + Quote(g.cabinet) +
        " >/dev/null");
    fs::remove_all(members);
    return g;
}

const Generated* g_generated = nullptr;

const Generated& Package() {
    static const Generated generated = Generate();
    g_generated = &generated;
    return generated;
}

void Measure(benchmark::State& state, const std::string& command) {
    const fs::path out = Package().root / "out";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(out);
        state.ResumeTiming();
        Run(command + " >/dev/null 2>&1");
    }
    // After the loop nothing is timed.
    uintmax_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(out)) {
        files += entry.is_regular_file() ? 1u : 0u;
    }
    if (files != kFiles) {
        state.SkipWithError("not every file was extracted");
    }
    fs::remove_all(out);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kFiles *
                            static_cast<int64_t>(kFileBytes));
}

void BM_Cabextract(benchmark::State& state) {
    Measure(state,
            "cabextract -q -d " + Quote(Package().root / "out") + " " + Quote(Package().cabinet));
}

void BM_VxpatchExtractAllExternalCabinet(benchmark::State& state) {
    Measure(state, "TMPDIR=" + Quote(Package().root) + " " VX_VXPATCH " extract-all " +
                       Quote(Package().externalPackage) + " " + Quote(Package().root / "out"));
}

void BM_VxpatchExtractAllEmbeddedCabinet(benchmark::State& state) {
    Measure(state, "TMPDIR=" + Quote(Package().root) + " " VX_VXPATCH " extract-all " +
                       Quote(Package().embeddedPackage) + " " + Quote(Package().root / "out"));
}

BENCHMARK(BM_Cabextract)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_VxpatchExtractAllExternalCabinet)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK(BM_VxpatchExtractAllEmbeddedCabinet)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

// The generated folder goes when the program ends.
struct Cleanup {
    ~Cleanup() {
        std::error_code ignored;
        if (g_generated) {
            fs::remove_all(g_generated->root, ignored);
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    Cleanup cleanup;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
