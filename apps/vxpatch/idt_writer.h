#pragma once
// Writes a table as installer IDT text: column names, column types, the table name with its key
// columns, then one line per row; fields separated by tabs, lines ended by CR LF.

#include <string>
#include <string_view>
#include <vector>

namespace vx::cli {

// Control characters that would break the line structure are written as the IDT escapes.
std::u16string EscapeIdtField(std::u16string_view text);

std::u16string IdtLine(const std::vector<std::u16string>& fields);

} // namespace vx::cli
