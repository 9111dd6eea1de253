// libFuzzer target: opens bytes as an installer package and reads everything the storage layer
// offers (every table, the system tables, every stream, the summary). Damage must end in
// MsiFailure; anything else (a crash, a sanitizer report, a hang) is a finding.
#include "platform/msi/storage/installer_storage.h"

#include <cstddef>
#include <cstdint>

using namespace vx::msi;

namespace {

void ReadTable(const InstallerStorage& storage, const TableInfo& table) {
    try {
        const TableData& rows = storage.Rows(table);
        for (uint32_t r = 0; r < rows.rowCount; ++r) {
            for (uint32_t c = 0; c < rows.width && c < table.columns.size(); ++c) {
                if (table.columns[c].IsBinary() && !rows.IsNull(r, c)) {
                    (void)storage.ReadStream(storage.CellStreamName(table, rows, r));
                } else if (table.columns[c].IsString()) {
                    (void)storage.FindString(storage.String(rows.Raw(r, c)));
                }
            }
        }
    } catch (const MsiFailure&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        const auto storage = OpenInstallerStorage(std::span<const uint8_t>(data, size));
        for (const TableInfo& table : storage->Tables()) {
            ReadTable(*storage, table);
        }
        for (const char16_t* system : {u"_Tables", u"_Columns", u"_Streams"}) {
            ReadTable(*storage, *storage->FindTable(system));
        }
        for (const auto& name : storage->StreamNames()) {
            try {
                (void)storage->ReadStream(name);
            } catch (const MsiFailure&) {
            }
        }
        try {
            (void)storage->Summary();
        } catch (const MsiFailure&) {
        }
    } catch (const MsiFailure&) {
    }
    return 0;
}
