#pragma once
// The read-only view of a Windows Installer package's storage: its string pool, its tables
// (catalogue and column-major data), its streams and its summary information. The query engine
// and the C API are built on this; nothing here knows SQL.
//
// Every damaged structure is reported with ThrowDamaged (msi_failure.h): never a crash, a hang or
// an allocation beyond what the file's own size can justify.

#include "platform/msi/msi_failure.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vx::msi {

// Bits of the _Columns Type value.
inline constexpr uint16_t kColumnWidthMask = 0x00FF;
inline constexpr uint16_t kColumnValid = 0x0100;
inline constexpr uint16_t kColumnLocalizable = 0x0200;
inline constexpr uint16_t kColumnShort = 0x0400; // with kColumnString: text; without: binary
inline constexpr uint16_t kColumnString = 0x0800;
inline constexpr uint16_t kColumnNullable = 0x1000;
inline constexpr uint16_t kColumnKey = 0x2000;
inline constexpr uint16_t kColumnTemporary = 0x4000;

struct ColumnInfo {
    std::u16string name;
    uint16_t type = 0;   // the _Columns Type value
    uint16_t number = 0; // 1-based position

    bool IsString() const { return (type & kColumnString) != 0; }
    // A stream column ('v' in IDT): apart from the nullable bit, exactly Valid | String (width 0,
    // no other flag). Its data is the stream named "<Table>.<key1>.<key2>...".
    bool IsBinary() const { return (type & ~kColumnNullable) == (kColumnString | kColumnValid); }
    bool IsNullable() const { return (type & kColumnNullable) != 0; }
    bool IsKey() const { return (type & kColumnKey) != 0; }
    bool IsLocalizable() const { return (type & kColumnLocalizable) != 0; }
    bool IsTemporary() const { return (type & kColumnTemporary) != 0; }
    unsigned Width() const { return type & kColumnWidthMask; }
};

struct TableInfo {
    std::u16string name;
    std::vector<ColumnInfo> columns; // in column order
    bool persistent = true; // false: every column is temporary (the table lives only in memory)
};

// One table's rows, decoded. Cells are stored row-major: cell(row, col) = cells[row*width + col].
// String columns hold a string id (0 = null). Binary columns hold the stored 16-bit value, which
// is 0 when the cell has no stream (null) and non-zero otherwise; the stream itself is found with
// CellStreamName. Integer columns hold the value as stored after removing the bias (0x8000 for
// 2-byte columns, 0x80000000 for 4-byte ones), with a separate null flag. Temporary columns are
// not stored in the package: their cells are null. `nulls` is 1 exactly where the stored value
// was 0, in every kind of column.
struct TableData {
    uint32_t rowCount = 0;
    uint32_t width = 0; // number of columns
    std::vector<uint32_t> cells;
    std::vector<uint8_t> nulls; // 1 where the cell is null; same layout as cells

    bool IsNull(uint32_t row, uint32_t col) const { return nulls[row * width + col] != 0; }
    uint32_t Raw(uint32_t row, uint32_t col) const { return cells[row * width + col]; }
    int32_t Integer(uint32_t row, uint32_t col) const {
        return static_cast<int32_t>(cells[row * width + col]);
    }
};

// A summary information property value: VT_I2/VT_I4 as int32, VT_LPSTR as text (converted from
// the summary's own code page), VT_FILETIME as the raw 64-bit FILETIME.
struct FileTime {
    uint64_t value = 0;
    friend bool operator==(const FileTime&, const FileTime&) = default;
};
using SummaryValue = std::variant<int32_t, std::u16string, FileTime>;

class InstallerStorage {
public:
    virtual ~InstallerStorage() = default;

    // The database code page (from the string pool header).
    virtual uint32_t CodePage() const = 0;

    // String pool. Id 0 is the null string (""). Ids beyond the pool answer "" as well.
    // Names of streams that the pool does not hold get ids after the pool's own (as Windows
    // Installer adds them when it loads _Streams), so that every string cell of every table,
    // _Streams included, has an id that FindString answers.
    virtual uint32_t StringCount() const = 0; // highest id + 1
    virtual std::u16string_view String(uint32_t id) const = 0;
    // The lowest id holding exactly `text`, or 0 when the pool has no such string.
    virtual uint32_t FindString(std::u16string_view text) const = 0;

    // Catalogue: every table named in _Tables, in _Tables order (_Tables, _Columns and _Streams
    // themselves are not listed). Names compare exactly (case matters, as in Windows Installer).
    virtual const std::vector<TableInfo>& Tables() const = 0;
    // Also finds _Tables(Name s64 key), _Columns(Table s64 key, Number i2 key, Name s64,
    // Type i2) and _Streams(Name s62 key, Data v0). The pointer stays valid as long as the
    // storage.
    virtual const TableInfo* FindTable(std::u16string_view name) const = 0;
    // The decoded rows of a table FindTable answers (or a TableInfo with the name of one), loaded
    // on the first call, in one pass, and kept; safe to call from several threads. A table with
    // no data stream, or with only temporary columns, has no rows. Throws ThrowDamaged when the
    // table's stream is damaged (for example not a whole number of rows) and ERROR_INVALID_TABLE
    // for a name the catalogue does not have.
    virtual const TableData& Rows(const TableInfo& table) const = 0;
    // The decoded name of the stream that holds the binary cells of `row`: for _Streams the
    // row's Name; otherwise "<Table>.<key1>[.<key2>...]", each primary key in its text form
    // (strings as they are, integers in decimal, null as empty text).
    virtual std::u16string CellStreamName(const TableInfo& table, const TableData& rows,
                                          uint32_t row) const = 0;

    // Streams that are not tables, the string pool or storages: the rows of _Streams, by decoded
    // name, in storage order.
    virtual std::vector<std::u16string> StreamNames() const = 0;
    // The whole stream with that decoded name (for example "putty.cab" or "Binary.Icon"), or
    // nullopt when there is none. As Windows Installer does, the name is looked up in its packed
    // form first; a stream whose stored name is not in packed form (such as the raw
    // "\005SummaryInformation") is found by its decoded name after that. Throws ThrowDamaged
    // when the stream's sectors are damaged.
    virtual std::optional<std::vector<uint8_t>> ReadStream(std::u16string_view name) const = 0;

    // "\005SummaryInformation": property id -> value. Missing stream: empty map. Read on the
    // first call and kept; throws ThrowDamaged when the stream is damaged.
    virtual const std::map<uint32_t, SummaryValue>& Summary() const = 0;

    // Whether table cells refer to strings with 3 bytes (a pool of more than 65535 ids).
    virtual bool LongStringReferences() const = 0;
};

// Opens a package read-only. The file is memory-mapped and never written. Failures: a missing or
// unreadable file answers the Win32 code of the system's reason (ERROR_FILE_NOT_FOUND,
// ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED; ERROR_OPEN_FAILED for anything else, a folder
// included); a file that is not a compound file or not an installer database (no string pool)
// answers ERROR_INSTALL_PACKAGE_INVALID; an unknown database code page
// ERROR_INSTALL_PACKAGE_INVALID with a detail naming it. The string pool and the catalogue are
// read at open; tables, streams and the summary when first asked for.
std::unique_ptr<InstallerStorage> OpenInstallerStorage(std::u16string_view path);
// The same over bytes already in memory (the fuzz targets use it). `bytes` must outlive the
// storage.
std::unique_ptr<InstallerStorage> OpenInstallerStorage(std::span<const uint8_t> bytes);

} // namespace vx::msi
