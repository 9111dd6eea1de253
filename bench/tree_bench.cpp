// Filling the Original Setup Files tree of generated packages (5,000 and 50,000 files) through
// our engine, beside the same fill done over libmsi: the File query, two single-row lookups per
// file and one folder resolution per file, each lookup preparing its own query.

#include "VxWsApplicationFilesEP/original/original_files_fill.h"
#include "VxWsApplicationFilesEP/package/msi_package.h"
#include "bench/idle_thread.h"
#include "ide/framework/path_util.h"
#include "platform/sys/path_strings.h"
#include "platform/sys/wide_string.h"

#include <benchmark/benchmark.h>
#include <libmsi.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace {

const char* const kPackages[] = {"big5k", "big50k"};

std::string Fixture(int64_t index) {
    return std::string(VX_FIXTURE_DIR) + "/" + kPackages[index] + ".msi";
}

void OursFill(benchmark::State& state) {
    const std::u16string path = vx::Utf8ToUtf16(Fixture(state.range(0)));
    size_t files = 0;
    double freeSeconds = 0;
    for (auto _ : state) {
        auto model = std::make_unique<vx::OriginalFilesModel>(vx::kOriginalSetupFilesLabel);
        vx::FillOriginalFiles(*model, path);
        files = model->FileCount();
        // Building the tree is what is measured; its later release is counted apart.
        state.PauseTiming();
        const auto start = std::chrono::steady_clock::now();
        model.reset();
        freeSeconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.ResumeTiming();
    }
    state.SetLabel(kPackages[state.range(0)]);
    state.counters["files"] = static_cast<double>(files);
    state.counters["free_ms"] =
        freeSeconds * 1000.0 / static_cast<double>(std::max<int64_t>(state.iterations(), 1));
    state.counters["per_file_us"] = benchmark::Counter(
        static_cast<double>(files),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The same fill over libmsi.
class LibmsiReader {
public:
    explicit LibmsiReader(const std::string& path)
        : m_db(libmsi_database_new(path.c_str(), LIBMSI_DB_FLAGS_READONLY, nullptr, nullptr)) {}
    ~LibmsiReader() {
        if (m_db) {
            g_object_unref(m_db);
        }
    }
    LibmsiReader(const LibmsiReader&) = delete;
    LibmsiReader& operator=(const LibmsiReader&) = delete;

    // Field `field` of the row whose `table`.`table` key is `key`, or nullopt without a row.
    std::optional<std::string> Lookup(const char* table, const std::string& key, unsigned field) {
        const std::string query =
            std::string("SELECT * FROM `") + table + "` WHERE `" + table + "` = ?";
        LibmsiQuery* q = libmsi_query_new(m_db, query.c_str(), nullptr);
        LibmsiRecord* params = libmsi_record_new(1);
        libmsi_record_set_string(params, 1, key.c_str());
        std::optional<std::string> value;
        if (q && libmsi_query_execute(q, params, nullptr)) {
            if (LibmsiRecord* row = libmsi_query_fetch(q, nullptr)) {
                gchar* text = libmsi_record_get_string(row, field);
                value = text ? text : "";
                g_free(text);
                g_object_unref(row);
            }
            libmsi_query_close(q, nullptr);
        }
        g_object_unref(params);
        if (q) {
            g_object_unref(q);
        }
        return value;
    }

    // Target-mode folder of a Directory key, by the same walk as the package reader.
    std::u16string Folder(const std::string& key) {
        if (key == "TARGETDIR") {
            return u"TARGETDIR";
        }
        std::vector<std::u16string> names;
        std::string current = key;
        for (int depth = 0; depth < 256; ++depth) {
            const std::string parent = Lookup("Directory", current, 2).value_or("");
            std::u16string name = vx::Utf8ToUtf16(Lookup("Directory", current, 3).value_or(""));
            if (const size_t colon = name.find(u':'); colon != std::u16string::npos && colon > 0) {
                name.resize(colon);
            }
            name = vx::LongName(name);
            if (parent == "TARGETDIR") {
                const auto property = Lookup("Property", current, 2);
                names.insert(names.begin(), property ? vx::Utf8ToUtf16(*property)
                                                     : u"[" + vx::Utf8ToUtf16(current) + u"]");
                break;
            }
            if (name != u".") {
                names.insert(names.begin(), name);
            }
            if (parent.empty() || parent == current) {
                break;
            }
            current = parent;
        }
        std::u16string path;
        for (size_t i = 0; i < names.size(); ++i) {
            if (i == 0) {
                path = names[0];
            } else {
                vx::AppendPathSegment(path, names[i]);
            }
        }
        return path;
    }

    // Fills the model from at most `limit` File rows; answers how many rows were read.
    size_t Fill(vx::OriginalFilesModel& model, size_t limit) {
        LibmsiQuery* q = libmsi_query_new(m_db, "SELECT * FROM File", nullptr);
        size_t rows = 0;
        if (q && libmsi_query_execute(q, nullptr, nullptr)) {
            while (rows < limit) {
                LibmsiRecord* row = libmsi_query_fetch(q, nullptr);
                if (!row) {
                    break;
                }
                ++rows;
                gchar* key = libmsi_record_get_string(row, 1);
                gchar* name = libmsi_record_get_string(row, 3);
                const std::string fileKey = key ? key : "";
                const std::u16string fileName = vx::Utf8ToUtf16(name ? name : "");
                g_free(key);
                g_free(name);
                g_object_unref(row);
                const auto component = Lookup("File", fileKey, 2);
                if (!component) {
                    continue;
                }
                const std::u16string folder =
                    Folder(Lookup("Component", *component, 3).value_or(""));
                if (folder != u"TARGETDIR") {
                    model.PlaceFile(folder, vx::Utf8ToUtf16(fileKey),
                                    vx::UtilRemoveShortName(fileName));
                }
            }
            libmsi_query_close(q, nullptr);
        }
        if (q) {
            g_object_unref(q);
        }
        model.Sort();
        return rows;
    }

private:
    LibmsiDatabase* m_db;
};

void LibmsiFill(benchmark::State& state) {
    // libmsi's lookups scan their table: the whole 50,000-file fill would take minutes, so that
    // package is measured on its first 1,000 files and reported per file.
    const size_t limit = state.range(0) == 0 ? SIZE_MAX : 1000;
    size_t files = 0;
    for (auto _ : state) {
        LibmsiReader reader(Fixture(state.range(0)));
        vx::OriginalFilesModel model(vx::kOriginalSetupFilesLabel);
        files = reader.Fill(model, limit);
    }
    state.SetLabel(std::string(kPackages[state.range(0)]) +
                   (limit == SIZE_MAX ? "" : " (first 1,000 files)"));
    state.counters["files"] = static_cast<double>(files);
    state.counters["per_file_us"] = benchmark::Counter(
        static_cast<double>(files),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// One single-row lookup through the package object, as the fill makes nine of per file.
void OursFindRecord(benchmark::State& state) {
    vx::CVxMsiPackage package(vx::Utf8ToUtf16(Fixture(1)));
    size_t found = 0;
    for (auto _ : state) {
        found += package.FindRecord(u"Directory", u"Directory", u"D00123", u"").HasRow() ? 1u : 0u;
    }
    if (found != static_cast<size_t>(state.iterations())) {
        state.SkipWithError("the row was not found");
    }
}

} // namespace

BENCHMARK(OursFindRecord);
BENCHMARK(OursFill)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(LibmsiFill)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv) {
    return vx::bench::RunWithIdleThread(argc, argv);
}
