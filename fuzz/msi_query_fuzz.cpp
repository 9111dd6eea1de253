// Fuzzes the query path: the input is a query (UTF-8) and, after a NUL byte, parameter values
// separated by NUL bytes, run against a small package held in memory.

#include "platform/msi/engine/view.h"
#include "platform/msi/msi_failure.h"
#include "platform/sys/wide_string.h"
#include "tests/msi/engine/fake_storage.h"

#include <cstdint>
#include <string_view>

using namespace vx;
using namespace vx::msi;
using namespace vx::msi::testing;

namespace {

std::shared_ptr<Database> MakeDatabase() {
    auto storage = std::make_unique<FakeStorage>();
    storage->AddTable(u"File",
                      {StringColumn(u"File", 72, true), StringColumn(u"Component_", 72),
                       IntegerColumn(u"FileSize", 4), StringColumn(u"Version", 72, false, true),
                       IntegerColumn(u"Attributes", 2, false, true)},
                      {{u"a", u"c1", 1, u"1.0", nullptr},
                       {u"b", u"c2", -5, nullptr, 512},
                       {u"c", u"c1", 0, u"", 0}});
    storage->AddTable(u"Binary", {StringColumn(u"Name", 72, true), BinaryColumn(u"Data")},
                      {{u"Icon", 1}});
    storage->AddStream(u"Binary.Icon", {1, 2, 3});
    return std::make_shared<Database>(u"fuzz.msi", std::move(storage));
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
