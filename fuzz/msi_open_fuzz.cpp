// libFuzzer target: opens bytes as an installer package and reads everything the storage layer
// offers (every table, the system tables, every stream, the summary), then reads the same bytes
// again through the C API as the package reader does: every row of every table with every field
// as text, integer, size and stream, and every summary property; and tells what kind of
// installer file it is, as where an original package is expected. Damage must end in MsiFailure
// below the API and in a result code above it; anything else (an exception escaping a C entry
// point, a crash, a sanitizer report, a hang) is a finding.
#include "VxWsApplicationFilesEP/package/package_kind.h"
#include "platform/com/com_exception.h"
#include "platform/msi/msi_api.h"
#include "platform/msi/storage/installer_storage.h"
#include "platform/sys/wide_string.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

using namespace vx;
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

// Answers the names of the tables the storage found, for the reading through the C API.
std::vector<std::u16string> ReadThroughStorage(const uint8_t* data, size_t size) {
    std::vector<std::u16string> names = {u"_Tables", u"_Columns", u"_Streams"};
    try {
        const auto storage = OpenInstallerStorage(std::span<const uint8_t>(data, size));
        for (const char16_t* system : {u"_Tables", u"_Columns", u"_Streams"}) {
            ReadTable(*storage, *storage->FindTable(system));
        }
        for (const TableInfo& table : storage->Tables()) {
            names.push_back(table.name);
            ReadTable(*storage, table);
        }
        for (const auto& name : storage->StreamNames()) {
            try {
                (void)storage->ReadStream(name);
            } catch (const MsiFailure&) {
            }
        }
        (void)storage->Summary();
    } catch (const MsiFailure&) {
    }
    return names;
}

// Every field of a record in every form a caller can ask for.
void ReadRecord(MSIHANDLE record) {
    const UINT count = MsiRecordGetFieldCount(record);
    for (UINT field = 0; field <= count && count != static_cast<UINT>(-1); ++field) {
        (void)MsiRecordIsNull(record, field);
        (void)MsiRecordGetInteger(record, field);
        (void)MsiRecordDataSize(record, field);
        MsiDWORD length = 0;
        if (MsiRecordGetStringW(record, field, nullptr, &length) == ERROR_SUCCESS) {
            std::u16string text(length + 1, u'\0');
            MsiDWORD room = length + 1;
            (void)MsiRecordGetStringW(record, field, text.data(), &room);
        }
        char buffer[4096];
        for (;;) {
            MsiDWORD got = sizeof buffer;
            if (MsiRecordReadStream(record, field, buffer, &got) != ERROR_SUCCESS || got == 0) {
                break;
            }
        }
    }
    MsiDWORD formatted = 0;
    (void)MsiFormatRecordW(0, record, nullptr, &formatted);
}

void ReadView(MSIHANDLE database, const std::u16string& query) {
    MSIHANDLE view = 0;
    if (MsiDatabaseOpenViewW(database, query.c_str(), &view) != ERROR_SUCCESS) {
        return;
    }
    for (const MSICOLINFO kind : {MSICOLINFO_NAMES, MSICOLINFO_TYPES}) {
        MSIHANDLE info = 0;
        if (MsiViewGetColumnInfo(view, kind, &info) == ERROR_SUCCESS) {
            ReadRecord(info);
            MsiCloseHandle(info);
        }
    }
    if (MsiViewExecute(view, 0) == ERROR_SUCCESS) {
        MSIHANDLE row = 0;
        while (MsiViewFetch(view, &row) == ERROR_SUCCESS) {
            ReadRecord(row);
            MsiCloseHandle(row);
        }
    }
    MsiCloseHandle(view);
}

void ReadThroughApi(const uint8_t* data, size_t size, const std::vector<std::u16string>& tables) {
    // The C API opens paths: the bytes become a file that lives only in memory.
    const int fd = ::memfd_create("msi_open_fuzz", MFD_CLOEXEC);
    if (fd < 0 || ::write(fd, data, size) != static_cast<ssize_t>(size)) {
        ::close(fd);
        return;
    }
    const std::u16string path = Utf8ToUtf16("/proc/self/fd/" + std::to_string(fd));
    MSIHANDLE database = 0;
    const bool opened =
        MsiOpenDatabaseW(path.c_str(), MSIDBOPEN_READONLY, &database) == ERROR_SUCCESS;
    // What the file is when it is no original package: raises a clear CComException, nothing else.
    try {
        RequireOriginalPackageKind(database, path);
    } catch (const CComException&) {
    }
    if (opened) {
        for (const std::u16string& table : tables) {
            if (table.find(u'`') == std::u16string::npos) {
                ReadView(database, u"SELECT * FROM `" + table + u"`");
            }
        }
        MSIHANDLE summary = 0;
        if (MsiGetSummaryInformationW(database, nullptr, 0, &summary) == ERROR_SUCCESS) {
            for (UINT property = 0; property <= 20; ++property) {
                UINT type = 0;
                INT integer = 0;
                MsiFileTime time;
                char16_t text[256];
                MsiDWORD room = 256;
                (void)MsiSummaryInfoGetPropertyW(summary, property, &type, &integer, &time, text,
                                                 &room);
            }
            MsiCloseHandle(summary);
        }
        MsiCloseHandle(database);
    }
    MsiCloseHandle(MsiGetLastErrorRecord());
    ::close(fd);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ReadThroughApi(data, size, ReadThroughStorage(data, size));
    return 0;
}
