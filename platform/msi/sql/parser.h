#pragma once
// Parses the installer's SQL subset. Keywords are case-insensitive; identifiers are
// case-sensitive, plain or in backquotes, optionally qualified by the table name. Anything outside
// the subset (other statements, joins, DISTINCT, more than 32 comparisons) is a syntax error.

#include "platform/msi/sql/select_statement.h"

#include <string>
#include <string_view>

namespace vx::msi::sql {

inline constexpr uint32_t kMaximumComparisons = 32;

struct SyntaxError {
    std::u16string token; // the offending token, as written ("" at the end of the query)
    std::u16string reason;
};

// Throws SyntaxError.
SelectStatement ParseSelect(std::u16string_view query);

} // namespace vx::msi::sql
