// The installer engine against libmsi in the same run:
//  (a) open a package and fetch every row of every table;
//  (b) single-row lookups by primary key, each preparing, executing, fetching and closing its
//      own view, on tables of 1,000 and of 50,000 rows.
// Heap peak of (a) is reported beside the size of the package's table streams.

#include "bench/heap_counter.h"
#include "bench/idle_thread.h"
#include "libmsi_oracle.h"
#include "platform/msi/msi_api.h"
#include "platform/msi/storage/compound_file.h"
#include "platform/msi/storage/stream_names.h"
#include "platform/sys/wide_string.h"

#include <benchmark/benchmark.h>
#include <libmsi.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::string Fixture(const char* name) {
    return std::string(VX_FIXTURE_DIR) + "/" + name + ".msi";
}
std::string Corpus(const char* name) {
    return std::string(VX_SHARED_DIR) + "/corpus/" + name;
}

// Packages of (a): name shown in the report, path.
const std::vector<std::pair<std::string, std::string>>& Packages() {
    static const std::vector<std::pair<std::string, std::string>> list = [] {
        std::vector<std::pair<std::string, std::string>> out;
        for (const char* name :
             {"putty-0.68-installer.msi", "NUnit-2.5.2.9222.msi", "msi_with_external_cab.msi"}) {
            if (std::filesystem::exists(Corpus(name))) {
                out.emplace_back(name, Corpus(name));
            }
        }
        out.emplace_back("big50k", Fixture("big50k"));
        return out;
    }();
    return list;
}

std::vector<std::u16string> TableNames(const std::string& path) {
    std::vector<std::u16string> names;
    for (auto& name : vx::test::OracleTableNames(path)) {
        if (name != u"_SummaryInformation" && name != u"_ForceCodepage") {
            names.push_back(name);
        }
    }
    return names;
}

// The bytes of the table streams and the string pool, as stored (names carry the table mark).
size_t TableStreamBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> file(std::istreambuf_iterator<char>(in), {});
    const vx::msi::CompoundFile storage(file);
    size_t total = 0;
    std::vector<std::u16string> names = TableNames(path);
    names.insert(names.end(), {u"_StringPool", u"_StringData"});
    for (const auto& name : names) {
        if (const auto* entry = storage.FindRootChild(vx::msi::EncodeStreamName(name, true))) {
            total += storage.ReadStream(*entry).size();
        }
    }
    return total;
}

// Opens the package and fetches every row of every table through the C API; answers the rows.
size_t ReadAllRows(const std::u16string& path, const std::vector<std::u16string>& tables) {
    MSIHANDLE db = 0;
    if (MsiOpenDatabaseW(path.c_str(), MSIDBOPEN_READONLY, &db) != 0) {
        return 0;
    }
    size_t rows = 0;
    for (const auto& table : tables) {
        const std::u16string query = u"SELECT * FROM `" + table + u"`";
        MSIHANDLE view = 0;
        MsiDatabaseOpenViewW(db, query.c_str(), &view);
        MsiViewExecute(view, 0);
        for (MSIHANDLE row = 0; MsiViewFetch(view, &row) == vx::ERROR_SUCCESS;) {
            ++rows;
            MsiCloseHandle(row);
        }
        MsiCloseHandle(view);
    }
    MsiCloseHandle(db);
    return rows;
}

void OursReadAll(benchmark::State& state) {
    const auto& [label, path] = Packages()[static_cast<size_t>(state.range(0))];
    const auto tables = TableNames(path);
    const std::u16string widePath = vx::Utf8ToUtf16(path);
    size_t rows = 0;
    for (auto _ : state) {
        rows = ReadAllRows(widePath, tables);
    }
    if (rows == 0) {
        state.SkipWithError("nothing read");
    }
    // One more pass, outside the timing, to measure the heap it needs.
    vx::bench::StartHeapCount();
    ReadAllRows(widePath, tables);
    const size_t peak = vx::bench::StopHeapCount();
    state.SetLabel(label);
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["heap_peak_MB"] = static_cast<double>(peak) / 1e6;
    state.counters["table_streams_MB"] = static_cast<double>(TableStreamBytes(path)) / 1e6;
}

void LibmsiReadAll(benchmark::State& state) {
    const auto& [label, path] = Packages()[static_cast<size_t>(state.range(0))];
    const auto tables = TableNames(path);
    size_t rows = 0;
    for (auto _ : state) {
        LibmsiDatabase* db =
            libmsi_database_new(path.c_str(), LIBMSI_DB_FLAGS_READONLY, nullptr, nullptr);
        if (!db) {
            state.SkipWithError("open failed");
            return;
        }
        rows = 0;
        for (const auto& table : tables) {
            const std::string query = "SELECT * FROM `" + vx::Utf16ToUtf8(table) + "`";
            LibmsiQuery* q = libmsi_query_new(db, query.c_str(), nullptr);
            if (q && libmsi_query_execute(q, nullptr, nullptr)) {
                while (LibmsiRecord* record = libmsi_query_fetch(q, nullptr)) {
                    ++rows;
                    g_object_unref(record);
                }
                libmsi_query_close(q, nullptr);
            }
            if (q) {
                g_object_unref(q);
            }
        }
        g_object_unref(db);
    }
    state.SetLabel(label);
    state.counters["rows"] = static_cast<double>(rows);
}

struct LookupCase {
    const char* package;
    const char* table;
    const char* keyColumn;
    char keyPrefix; // keys are the prefix and a five-digit number from 0
};
// 1,000 and 50,000 rows.
const LookupCase kLookups[] = {{"big5k", "Component", "Component", 'C'},
                               {"big50k", "File", "File", 'F'}};
constexpr int kLookupsPerIteration = 10000;

std::vector<std::string> LookupKeys(const LookupCase& c, int rowCount) {
    std::vector<std::string> keys;
    for (int i = 0; i < kLookupsPerIteration; ++i) {
        std::string digits = std::to_string((i * 7919) % rowCount);
        keys.push_back(c.keyPrefix + std::string(5 - digits.size(), '0') + digits);
    }
    return keys;
}

int RowCount(const std::string& path, const char* table) {
    return static_cast<int>(
        vx::test::OracleQuery(path, u"SELECT * FROM `" + vx::Utf8ToUtf16(table) + u"`")
            .rows.size());
}

// Fails the run when a key was missed; labels it and reports the time of one lookup.
void ReportLookups(benchmark::State& state, const LookupCase& c, int rowCount, int found) {
    if (found != kLookupsPerIteration) {
        state.SkipWithError("a key was not found");
    }
    state.SetLabel(std::string(c.table) + " of " + std::to_string(rowCount) + " rows");
    state.counters["per_lookup_us"] =
        benchmark::Counter(kLookupsPerIteration, benchmark::Counter::kIsIterationInvariantRate |
                                                     benchmark::Counter::kInvert);
}

void OursLookups(benchmark::State& state) {
    const LookupCase& c = kLookups[state.range(0)];
    const std::string path = Fixture(c.package);
    const int rowCount = RowCount(path, c.table);
    const auto keys = LookupKeys(c, rowCount);
    std::vector<std::u16string> wideKeys;
    for (const auto& k : keys) {
        wideKeys.push_back(vx::Utf8ToUtf16(k));
    }
    const std::u16string query = u"SELECT * FROM `" + vx::Utf8ToUtf16(c.table) + u"` WHERE `" +
                                 vx::Utf8ToUtf16(c.keyColumn) + u"` = ?";
    MSIHANDLE db = 0;
    MsiOpenDatabaseW(vx::Utf8ToUtf16(path).c_str(), MSIDBOPEN_READONLY, &db);
    int found = 0;
    for (auto _ : state) {
        found = 0;
        for (const auto& key : wideKeys) {
            MSIHANDLE view = 0;
            MSIHANDLE params = MsiCreateRecord(1);
            MSIHANDLE row = 0;
            MsiRecordSetStringW(params, 1, key.c_str());
            MsiDatabaseOpenViewW(db, query.c_str(), &view);
            MsiViewExecute(view, params);
            if (MsiViewFetch(view, &row) == vx::ERROR_SUCCESS) {
                ++found;
            }
            MsiCloseHandle(row);
            MsiCloseHandle(params);
            MsiViewClose(view);
            MsiCloseHandle(view);
        }
    }
    MsiCloseHandle(db);
    ReportLookups(state, c, rowCount, found);
}

void LibmsiLookups(benchmark::State& state) {
    const LookupCase& c = kLookups[state.range(0)];
    const std::string path = Fixture(c.package);
    const int rowCount = RowCount(path, c.table);
    const auto keys = LookupKeys(c, rowCount);
    const std::string query =
        std::string("SELECT * FROM `") + c.table + "` WHERE `" + c.keyColumn + "` = ?";
    LibmsiDatabase* db =
        libmsi_database_new(path.c_str(), LIBMSI_DB_FLAGS_READONLY, nullptr, nullptr);
    int found = 0;
    for (auto _ : state) {
        found = 0;
        for (const auto& key : keys) {
            LibmsiQuery* q = libmsi_query_new(db, query.c_str(), nullptr);
            LibmsiRecord* params = libmsi_record_new(1);
            libmsi_record_set_string(params, 1, key.c_str());
            if (libmsi_query_execute(q, params, nullptr)) {
                if (LibmsiRecord* row = libmsi_query_fetch(q, nullptr)) {
                    ++found;
                    g_object_unref(row);
                }
            }
            libmsi_query_close(q, nullptr);
            g_object_unref(params);
            g_object_unref(q);
        }
    }
    g_object_unref(db);
    ReportLookups(state, c, rowCount, found);
}

// Open the 50,000-file package, fetch one File row, close: Arg 0 on a package never opened
// before (a fresh copy each time, dated back so that it counts as settled), Arg 1 on the same
// unchanged package again, as the page does for every test of every file it adds.
void OursOpenPackage(benchmark::State& state) {
    namespace fs = std::filesystem;
    const bool again = state.range(0) == 1;
    const fs::path source = Fixture("big50k");
    const fs::path folder = fs::temp_directory_path() / "vx-open-bench";
    fs::create_directories(folder);
    int copy = 0;
    const auto freshCopy = [&] {
        const fs::path path = folder / ("copy" + std::to_string(copy++ % 2) + ".msi");
        fs::copy_file(source, path, fs::copy_options::overwrite_existing);
        fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(1) -
                                      std::chrono::seconds(copy));
        return vx::Utf8ToUtf16(path.string());
    };
    std::u16string path = freshCopy();
    const auto openOnce = [&] {
        MSIHANDLE db = 0;
        MSIHANDLE view = 0;
        MSIHANDLE row = 0;
        MsiOpenDatabaseW(path.c_str(), MSIDBOPEN_READONLY, &db);
        MsiDatabaseOpenViewW(db, u"SELECT * FROM `File`", &view);
        MsiViewExecute(view, 0);
        const bool fetched = MsiViewFetch(view, &row) == vx::ERROR_SUCCESS;
        MsiCloseHandle(row);
        MsiCloseHandle(view);
        MsiCloseHandle(db);
        return fetched;
    };
    openOnce();
    for (auto _ : state) {
        if (!again) {
            state.PauseTiming();
            path = freshCopy();
            state.ResumeTiming();
        }
        if (!openOnce()) {
            state.SkipWithError("the package did not open");
            break;
        }
    }
    state.SetLabel(again ? "unchanged package again" : "package not opened before");
    fs::remove_all(folder);
}

void PackageArgs(benchmark::internal::Benchmark* b) {
    for (size_t i = 0; i < Packages().size(); ++i) {
        b->Arg(static_cast<int64_t>(i));
    }
}

} // namespace

BENCHMARK(OursReadAll)->Apply(PackageArgs)->Unit(benchmark::kMillisecond);
BENCHMARK(LibmsiReadAll)->Apply(PackageArgs)->Unit(benchmark::kMillisecond);
BENCHMARK(OursLookups)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(OursOpenPackage)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(LibmsiLookups)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv) {
    return vx::bench::RunWithIdleThread(argc, argv);
}
