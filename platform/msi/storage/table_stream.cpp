#include "platform/msi/storage/table_stream.h"

#include "platform/sys/format_string.h"

namespace vx::msi {

namespace {

unsigned CellBytes(const ColumnInfo& column, bool longStringReferences) {
    if (column.IsBinary()) {
        return 2;
    }
    if (column.IsString()) {
        return longStringReferences ? 3 : 2;
    }
    // Windows Installer only makes widths 2 and 4; anything up to 2 reads as 2 bytes and
    // anything wider as 4, as Windows Installer's own reader takes them.
    return column.Width() <= 2 ? 2 : 4;
}

} // namespace

unsigned StoredCellBytes(const ColumnInfo& column, bool longStringReferences) {
    return column.IsTemporary() ? 0 : CellBytes(column, longStringReferences);
}

TableData DecodeTableStream(const TableInfo& table, std::span<const uint8_t> stream,
                            bool longStringReferences) {
    TableData out;
    out.width = static_cast<uint32_t>(table.columns.size());
    size_t rowBytes = 0;
    size_t rowBytesWithTemporary = 0;
    for (const ColumnInfo& column : table.columns) {
        rowBytes += StoredCellBytes(column, longStringReferences);
        rowBytesWithTemporary += CellBytes(column, longStringReferences);
    }
    if (rowBytes == 0 || stream.empty()) {
        return out;
    }
    // Windows Installer never stores temporary columns, but msitools' writer does: a stream that
    // is a whole number of rows only with them is read with them.
    const bool temporaryStored = rowBytes != rowBytesWithTemporary &&
                                 stream.size() % rowBytes != 0 &&
                                 stream.size() % rowBytesWithTemporary == 0;
    if (temporaryStored) {
        rowBytes = rowBytesWithTemporary;
    }
    if (stream.size() % rowBytes != 0) {
        ThrowDamaged(FormatString(u"the stream of table '%s' holds %u bytes, not a whole number "
                                  u"of %u-byte rows",
                                  table.name, stream.size(), rowBytes));
    }
    const size_t rows = stream.size() / rowBytes;
    out.rowCount = static_cast<uint32_t>(rows);
    out.cells.assign(rows * out.width, 0);
    out.nulls.assign(rows * out.width, 1);

    size_t columnStart = 0;
    for (size_t c = 0; c < table.columns.size(); ++c) {
        const ColumnInfo& column = table.columns[c];
        const unsigned bytes = temporaryStored ? CellBytes(column, longStringReferences)
                                               : StoredCellBytes(column, longStringReferences);
        if (bytes == 0) {
            continue;
        }
        const uint8_t* p = stream.data() + columnStart;
        const bool integer = !column.IsString();
        for (size_t r = 0; r < rows; ++r, p += bytes) {
            uint32_t raw = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8);
            if (bytes >= 3) {
                raw |= static_cast<uint32_t>(p[2]) << 16;
            }
            if (bytes == 4) {
                raw |= static_cast<uint32_t>(p[3]) << 24;
            }
            if (raw == 0) {
                continue; // null: cell 0, null flag already set
            }
            const size_t at = r * out.width + c;
            out.nulls[at] = 0;
            if (integer) {
                // Stored with a bias so that 0 can mean null; the value is the biased one less
                // the bias, as a signed number of the column's width.
                const int32_t value = bytes == 2 ? static_cast<int32_t>(raw) - 0x8000
                                                 : static_cast<int32_t>(raw - 0x80000000u);
                out.cells[at] = static_cast<uint32_t>(value);
            } else {
                out.cells[at] = raw;
            }
        }
        columnStart += rows * bytes;
    }
    return out;
}

} // namespace vx::msi
