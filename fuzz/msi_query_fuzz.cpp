// Fuzzes the query path: the input is a query (UTF-8) and, after a NUL byte, parameter values
// separated by NUL bytes, run against a small package held in memory.

#include "platform/msi/engine/view.h"
#include "platform/msi/msi_failure.h"
#include "platform/sys/wide_string.h"
#include "tests/msi/storage/package_writer.h"

#include <cstdint>
#include <string_view>

using namespace vx;
using namespace vx::msi;
using namespace vx::msi::test;

namespace {

std::shared_ptr<Database> MakeDatabase() {
    PackagePlan plan;
    plan.tables.push_back({u"File",
                           {{u"File", kText | kColumnKey | 72, 0},
                            {u"Component_", kText | 72, 0},
                            {u"FileSize", kInteger | 4, 0},
                            {u"Version", kText | kColumnNullable | 72, 0},
                            {u"Attributes", kInteger | kColumnNullable | 2, 0}},
                           {{u"a", u"c1", 1, u"1.0", Cell{}},
                            {u"b", u"c2", -5, Cell{}, 512},
                            {u"c", u"c1", 0, u"", 0}}});
    plan.tables.push_back({u"Binary",
                           {{u"Name", kText | kColumnKey | 72, 0}, {u"Data", kBinary, 0}},
                           {{u"Icon", 1}}});
    plan.streams.push_back({u"Binary.Icon", {1, 2, 3}});
    static const std::vector<uint8_t> bytes = WritePackage(plan); // outlives the storage
    return std::make_shared<Database>(u"fuzz.msi", OpenInstallerStorage(bytes));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::shared_ptr<Database> database = MakeDatabase();
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t end = input.find('\0');
    const std::u16string query = Utf8ToUtf16(input.substr(0, end));
    Record params(8);
    if (end != std::string_view::npos) {
        std::string_view rest = input.substr(end + 1);
        for (uint32_t field = 1; field <= 8 && !rest.empty(); ++field) {
            const size_t next = rest.find('\0');
            params.Field(field) = Utf8ToUtf16(rest.substr(0, next));
            rest = next == std::string_view::npos ? std::string_view() : rest.substr(next + 1);
        }
    }
    try {
        View view(database, query);
        view.Execute(&params);
        for (int i = 0; i < 100 && view.Fetch(); ++i) {
        }
    } catch (const MsiFailure&) {
    }
    return 0;
}
