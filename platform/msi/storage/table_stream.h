#pragma once
// Decoding of a table's stream. Tables are stored column by column: all rows of the first
// stored column, then all rows of the second, and so on. A cell takes 2 bytes (integer columns of
// width 1 or 2, binary columns, string references in a small pool), 3 bytes (string references
// in a pool of more than 65535 ids) or 4 bytes (wider integer columns). Temporary columns take
// none.

#include "platform/msi/storage/installer_storage.h"

#include <cstdint>
#include <span>

namespace vx::msi {

// Bytes a cell of `column` takes in the stream (0 for a temporary column).
unsigned StoredCellBytes(const ColumnInfo& column, bool longStringReferences);

// Throws ThrowDamaged when the stream is not a whole number of rows.
TableData DecodeTableStream(const TableInfo& table, std::span<const uint8_t> stream,
                            bool longStringReferences);

} // namespace vx::msi
