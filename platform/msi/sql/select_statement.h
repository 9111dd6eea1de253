#pragma once
// The parsed form of the one statement the engine runs: SELECT of `*` or a column list FROM one
// table, with an optional WHERE and ORDER BY.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vx::msi::sql {

struct Operand {
    enum class Kind { Column, Text, Integer, Parameter };
    Kind kind = Kind::Integer;
    std::u16string text;     // column name (without a table qualifier) or string literal
    int32_t integer = 0;     // integer literal
    uint32_t parameter = 0;  // 1-based position among the '?' markers
};

enum class CompareOp { Equal, NotEqual, Less, Greater, LessEqual, GreaterEqual, IsNull, IsNotNull };

struct Condition {
    enum class Kind { Compare, And, Or };
    Kind kind = Kind::Compare;
    // Compare: left op right (right unused for IS NULL / IS NOT NULL).
    CompareOp op = CompareOp::Equal;
    Operand left;
    Operand right;
    // And / Or.
    std::unique_ptr<Condition> first;
    std::unique_ptr<Condition> second;
};

struct SelectStatement {
    bool allColumns = false;
    std::vector<std::u16string> columns; // when not allColumns, in the order written
    std::u16string table;
    std::unique_ptr<Condition> where;     // null when there is no WHERE
    std::vector<std::u16string> orderBy;
    uint32_t parameterCount = 0;
};

} // namespace vx::msi::sql
