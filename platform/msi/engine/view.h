#pragma once
// A prepared query over one table: opened from its SQL text, executed with its parameters,
// fetched row by row.

#include "platform/msi/engine/database.h"
#include "platform/msi/engine/record.h"
#include "platform/msi/sql/select_statement.h"

#include <atomic>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vx::msi {

// A query compiled against the catalogue: what a view runs. Plans are shared by every view
// opened with the same text on the same database and never change once built.
struct QueryPlan {
    struct Operand {
        enum class Kind { Column, Text, Integer, Parameter } kind = Kind::Integer;
        uint32_t column = 0;
        std::u16string text;
        int32_t integer = 0;
        uint32_t parameter = 0;
    };
    struct Condition {
        sql::Condition::Kind kind = sql::Condition::Kind::Compare;
        sql::CompareOp op = sql::CompareOp::Equal;
        Operand left, right;
        std::unique_ptr<Condition> first, second;
        // The index of the left column for an equality, found on first use and kept: it lives
        // as long as the database that shares this plan.
        mutable std::atomic<const ColumnIndex*> index{nullptr};
    };

    std::u16string query;
    const TableInfo* table = nullptr;
    std::vector<ColumnInfo> columns;     // selected columns
    std::vector<uint32_t> columnIndexes; // their positions in the table
    std::unique_ptr<Condition> where;
    std::vector<uint32_t> orderBy;
    uint32_t parameterCount = 0;
    // The table's decoded rows, found on first execute and kept like the indexes.
    mutable std::atomic<const TableData*> rows{nullptr};
};

class View {
public:
    // Parses and checks the query against the catalogue. Failures raise MsiFailure with
    // ERROR_BAD_QUERY_SYNTAX and the installer's error: 2234 (syntax), 2228 (unknown table) or
    // 2235 (unknown column).
    View(std::shared_ptr<Database> database, std::u16string_view query);
    // Not copyable: the selection can point into the view's own result, and a copy would keep
    // pointing into the original's.
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    // Binds the '?' markers from `params` (fields 1..n; missing fields are null) and finds the
    // matching rows.
    void Execute(const Record* params);
    // The next row, or nullopt at the end. ERROR_FUNCTION_FAILED when not executed.
    std::optional<Record> Fetch();
    void Close();

    const std::vector<ColumnInfo>& Columns() const { return m_plan->columns; }
    const TableInfo& Table() const { return *m_plan->table; }
    bool Executed() const { return m_executed; }

    // The installer's type text of a column: s72, S255, l0, i2, I4, v0, and g/j for temporary.
    static std::u16string ColumnTypeText(const ColumnInfo& column);

private:
    using Operand = QueryPlan::Operand;
    using Condition = QueryPlan::Condition;

    // A bound operand: the value a row's cell is compared with.
    struct Value {
        bool isNull = true;
        bool isString = false;
        uint32_t stringId = 0;    // for strings: id in the pool, 0 = null or not in the pool
        std::u16string_view text; // for strings: the operand's or parameter's own text...
        std::u16string owned;     // ...or this, for an integer given to a string column
        int32_t integer = 0;

        std::u16string_view Text() const { return owned.empty() ? text : owned; }
    };

    uint32_t ResolveColumn(const std::u16string& name) const;
    int32_t IntegerCell(uint32_t row, uint32_t column) const;
    std::unique_ptr<Condition> Compile(const sql::Condition& c);
    Value Bind(const Operand& o, const ColumnInfo& against, const Record* params) const;
    bool Matches(const Condition& c, uint32_t row, const Record* params) const;
    bool Compare(sql::CompareOp op, uint32_t row, const Operand& left, const Operand& right,
                 const Record* params) const;
    std::optional<std::span<const uint32_t>> Candidates(const Condition& c, const Record* params,
                                                        bool& none) const;
    void Sort(std::vector<uint32_t>& rows) const;
    Record MakeRecord(uint32_t row) const;

    void BuildPlan(std::u16string_view query);

    std::shared_ptr<Database> m_database;
    std::shared_ptr<QueryPlan> m_plan; // built once per query text, then only read
    const TableData* m_rows = nullptr;

    bool m_executed = false;
    std::vector<uint32_t> m_result;
    std::span<const uint32_t> m_selected; // the rows fetched: m_result or an index's own list
    size_t m_next = 0;
};

} // namespace vx::msi
