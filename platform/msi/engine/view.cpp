#include "platform/msi/engine/view.h"

#include "platform/msi/engine/installer_errors.h"
#include "platform/msi/sql/parser.h"
#include "platform/sys/format_string.h"

#include <algorithm>

namespace vx::msi {
namespace {

bool IsStringColumn(const ColumnInfo& c) {
    return c.IsString();
}

int CompareText(std::u16string_view a, std::u16string_view b) {
    return a < b ? -1 : (a == b ? 0 : 1);
}

bool OrderHolds(sql::CompareOp op, int order) {
    switch (op) {
    case sql::CompareOp::Equal:
        return order == 0;
    case sql::CompareOp::NotEqual:
        return order != 0;
    case sql::CompareOp::Less:
        return order < 0;
    case sql::CompareOp::Greater:
        return order > 0;
    case sql::CompareOp::LessEqual:
        return order <= 0;
    case sql::CompareOp::GreaterEqual:
        return order >= 0;
    default:
        return false;
    }
}

// A decimal integer literal written as text; nullopt when the text is not one.
std::optional<int32_t> ParseDecimal(std::u16string_view text) {
    if (text.empty() || text.size() > 11) {
        return std::nullopt;
    }
    size_t i = text[0] == u'-' ? 1 : 0;
    if (i == text.size()) {
        return std::nullopt;
    }
    int64_t v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9') {
            return std::nullopt;
        }
        v = v * 10 + (text[i] - u'0');
    }
    v = text[0] == u'-' ? -v : v;
    if (v < INT32_MIN || v > INT32_MAX) {
        return std::nullopt;
    }
    return static_cast<int32_t>(v);
}

} // namespace

View::View(std::shared_ptr<Database> database, std::u16string_view query)
    : m_database(std::move(database)) {
    m_plan = std::static_pointer_cast<QueryPlan>(m_database->CachedPlan(query));
    if (!m_plan) {
        BuildPlan(query);
        m_database->StorePlan(query, m_plan);
    }
}

void View::BuildPlan(std::u16string_view query) {
    m_plan = std::make_shared<QueryPlan>();
    m_plan->query = query;

    const std::u16string& path = m_database->Path();
    sql::SelectStatement statement;
    try {
        statement = sql::ParseSelect(query);
    } catch (const sql::SyntaxError& e) {
        ThrowMsiFailure(ERROR_BAD_QUERY_SYNTAX, kErrorUnexpectedToken,
                        {path, e.token, m_plan->query}, e.reason + u" at '" + e.token + u"'");
    }
    const InstallerStorage& storage = m_database->Storage();
    m_plan->table = storage.FindTable(statement.table);
    if (!m_plan->table) {
        ThrowMsiFailure(ERROR_BAD_QUERY_SYNTAX, kErrorUnknownTable,
                        {path, statement.table, m_plan->query},
                        u"the package has no table '" + statement.table + u"'");
    }
    if (statement.allColumns) {
        for (uint32_t i = 0; i < m_plan->table->columns.size(); ++i) {
            m_plan->columnIndexes.push_back(i);
        }
    } else {
        for (const auto& name : statement.columns) {
            m_plan->columnIndexes.push_back(ResolveColumn(name));
        }
    }
    for (uint32_t i : m_plan->columnIndexes) {
        m_plan->columns.push_back(m_plan->table->columns[i]);
    }
    if (statement.where) {
        m_plan->where = Compile(*statement.where);
    }
    for (const auto& name : statement.orderBy) {
        m_plan->orderBy.push_back(ResolveColumn(name));
    }
    m_plan->parameterCount = statement.parameterCount;
}

int32_t View::IntegerCell(uint32_t row, uint32_t column) const {
    return m_rows->IsNull(row, column) ? kNullInteger : m_rows->Integer(row, column);
}

uint32_t View::ResolveColumn(const std::u16string& name) const {
    for (uint32_t i = 0; i < m_plan->table->columns.size(); ++i) {
        if (m_plan->table->columns[i].name == name) {
            return i;
        }
    }
    ThrowMsiFailure(ERROR_BAD_QUERY_SYNTAX, kErrorUnknownColumn,
                    {m_database->Path(), name, m_plan->query},
                    u"the table '" + m_plan->table->name + u"' has no column '" + name + u"'");
}

std::unique_ptr<View::Condition> View::Compile(const sql::Condition& c) {
    auto out = std::make_unique<Condition>();
    out->kind = c.kind;
    out->op = c.op;
    if (c.kind != sql::Condition::Kind::Compare) {
        out->first = Compile(*c.first);
        out->second = Compile(*c.second);
        return out;
    }
    auto convert = [&](const sql::Operand& o) {
        Operand r;
        switch (o.kind) {
        case sql::Operand::Kind::Column:
            r.kind = Operand::Kind::Column;
            r.column = ResolveColumn(o.text);
            break;
        case sql::Operand::Kind::Text:
            r.kind = Operand::Kind::Text;
            r.text = o.text;
            break;
        case sql::Operand::Kind::Integer:
            r.kind = Operand::Kind::Integer;
            r.integer = o.integer;
            break;
        case sql::Operand::Kind::Parameter:
            r.kind = Operand::Kind::Parameter;
            r.parameter = o.parameter;
            break;
        }
        return r;
    };
    out->left = convert(c.left);
    if (c.op != sql::CompareOp::IsNull && c.op != sql::CompareOp::IsNotNull) {
        out->right = convert(c.right);
    }
    return out;
}

View::Value View::Bind(const Operand& o, const ColumnInfo& against, const Record* params) const {
    Value v;
    v.isString = IsStringColumn(against);
    std::optional<std::u16string_view> text;
    std::optional<int32_t> integer;
    switch (o.kind) {
    case Operand::Kind::Text:
        text = std::u16string_view(o.text);
        break;
    case Operand::Kind::Integer:
        integer = o.integer;
        break;
    case Operand::Kind::Parameter:
        if (params && !params->IsNull(o.parameter)) {
            text = params->TextView(o.parameter);
            if (!text) {
                const int32_t i = params->Integer(o.parameter);
                if (i != kNullInteger) {
                    integer = i;
                }
            }
        }
        break;
    case Operand::Kind::Column:
        break;
    }
    if (v.isString) {
        if (integer) {
            v.owned = FormatString(u"%d", *integer); // never empty
            v.isNull = false;
            v.stringId = m_database->Storage().FindString(v.owned);
        } else if (text && !text->empty()) {
            v.isNull = false;
            v.text = *text;
            v.stringId = m_database->Storage().FindString(*text);
        }
    } else {
        if (text) {
            integer = ParseDecimal(*text);
        }
        if (integer) {
            v.isNull = false;
            v.integer = *integer;
        }
    }
    return v;
}

bool View::Compare(sql::CompareOp op, uint32_t row, const Operand& left, const Operand& right,
                   const Record* params) const {
    const ColumnInfo& column = m_plan->table->columns[left.column];
    const bool isString = IsStringColumn(column);
    const bool cellNull =
        isString ? m_rows->Raw(row, left.column) == 0 : m_rows->IsNull(row, left.column);
    if (op == sql::CompareOp::IsNull) {
        return cellNull;
    }
    if (op == sql::CompareOp::IsNotNull) {
        return !cellNull;
    }
    const InstallerStorage& storage = m_database->Storage();
    if (right.kind == Operand::Kind::Column) {
        const ColumnInfo& other = m_plan->table->columns[right.column];
        if (IsStringColumn(other) != isString) {
            return false;
        }
        const uint32_t a = m_rows->Raw(row, left.column);
        const uint32_t b = m_rows->Raw(row, right.column);
        if (isString) {
            if (op == sql::CompareOp::Equal || op == sql::CompareOp::NotEqual) {
                return OrderHolds(op, a == b ? 0 : 1);
            }
            return OrderHolds(op, CompareText(storage.String(a), storage.String(b)));
        }
        const int32_t x = IntegerCell(row, left.column);
        const int32_t y = IntegerCell(row, right.column);
        return OrderHolds(op, x < y ? -1 : (x == y ? 0 : 1));
    }
    const Value value = Bind(right, column, params);
    if (isString) {
        const uint32_t id = m_rows->Raw(row, left.column);
        if (op == sql::CompareOp::Equal || op == sql::CompareOp::NotEqual) {
            // A null and an empty string are the same value; a text absent from the pool
            // equals no cell.
            const bool equal =
                value.isNull ? id == 0 : (value.stringId != 0 && id == value.stringId);
            return OrderHolds(op, equal ? 0 : 1);
        }
        return OrderHolds(op, CompareText(storage.String(id), value.Text()));
    }
    // A null integer is the smallest value, as the installer stores and compares it.
    const int32_t cell = IntegerCell(row, left.column);
    const int32_t bound = value.isNull ? kNullInteger : value.integer;
    return OrderHolds(op, cell < bound ? -1 : (cell == bound ? 0 : 1));
}

bool View::Matches(const Condition& c, uint32_t row, const Record* params) const {
    switch (c.kind) {
    case sql::Condition::Kind::And:
        return Matches(*c.first, row, params) && Matches(*c.second, row, params);
    case sql::Condition::Kind::Or:
        return Matches(*c.first, row, params) || Matches(*c.second, row, params);
    case sql::Condition::Kind::Compare:
        break;
    }
    return Compare(c.op, row, c.left, c.right, params);
}

// The rows an equality in the top-level conjunction allows, from the column's index; null when
// the condition offers no such equality (then every row is a candidate). `none` is set when the
// equality can match nothing.
std::optional<std::span<const uint32_t>> View::Candidates(const Condition& c, const Record* params,
                                                          bool& none) const {
    if (c.kind == sql::Condition::Kind::And) {
        if (auto rows = Candidates(*c.first, params, none); rows || none) {
            return rows;
        }
        return Candidates(*c.second, params, none);
    }
    if (c.kind != sql::Condition::Kind::Compare || c.op != sql::CompareOp::Equal ||
        c.right.kind == Operand::Kind::Column) {
        return std::nullopt;
    }
    const ColumnInfo& column = m_plan->table->columns[c.left.column];
    if (column.IsBinary()) {
        return std::nullopt;
    }
    const Value value = Bind(c.right, column, params);
    uint32_t raw = 0;
    if (!value.isNull) {
        if (value.isString) {
            if (value.stringId == 0) {
                none = true;
                return std::nullopt;
            }
            raw = value.stringId;
        } else {
            raw = static_cast<uint32_t>(value.integer);
        }
    }
    const ColumnIndex* index = c.index.load(std::memory_order_acquire);
    if (!index) {
        index = &m_database->Index(*m_plan->table, c.left.column);
        c.index.store(index, std::memory_order_release);
    }
    auto rows = index->Find(value.isNull, raw);
    if (!rows) {
        none = true;
    }
    return rows;
}

void View::Sort(std::vector<uint32_t>& rows) const {
    if (m_plan->orderBy.empty()) {
        return;
    }
    std::stable_sort(rows.begin(), rows.end(), [&](uint32_t a, uint32_t b) {
        for (uint32_t column : m_plan->orderBy) {
            if (IsStringColumn(m_plan->table->columns[column])) {
                // Strings are ordered by their place in the string pool, as the installer does.
                const uint32_t x = m_rows->Raw(a, column);
                const uint32_t y = m_rows->Raw(b, column);
                if (x != y) {
                    return x < y;
                }
                continue;
            }
            const int32_t x = IntegerCell(a, column);
            const int32_t y = IntegerCell(b, column);
            if (x != y) {
                return x < y; // null first: it is the smallest value
            }
        }
        return false;
    });
}

void View::Execute(const Record* params) {
    m_rows = m_plan->rows.load(std::memory_order_acquire);
    if (!m_rows) {
        m_rows = &m_database->Storage().Rows(*m_plan->table);
        m_plan->rows.store(m_rows, std::memory_order_release);
    }
    m_result.clear();
    m_selected = {};
    m_next = 0;
    bool none = false;
    const std::optional<std::span<const uint32_t>> candidates =
        m_plan->where ? Candidates(*m_plan->where, params, none) : std::nullopt;
    if (!none) {
        if (candidates) {
            // When the whole condition is the equality the index answered, its rows are the
            // result as they stand, in table order, and are not copied.
            const bool exact = m_plan->where->kind == sql::Condition::Kind::Compare;
            if (exact && m_plan->orderBy.empty()) {
                m_selected = *candidates;
                m_executed = true;
                return;
            }
            for (uint32_t row : *candidates) {
                if (exact || Matches(*m_plan->where, row, params)) {
                    m_result.push_back(row);
                }
            }
        } else {
            m_result.reserve(m_rows->rowCount);
            for (uint32_t row = 0; row < m_rows->rowCount; ++row) {
                if (!m_plan->where || Matches(*m_plan->where, row, params)) {
                    m_result.push_back(row);
                }
            }
        }
    }
    Sort(m_result);
    m_selected = m_result;
    m_executed = true;
}

Record View::MakeRecord(uint32_t row) const {
    const InstallerStorage& storage = m_database->Storage();
    Record record(static_cast<uint32_t>(m_plan->columns.size()));
    record.Anchor(m_database, &storage); // its texts are the package's string pool's
    for (uint32_t i = 0; i < m_plan->columns.size(); ++i) {
        const uint32_t column = m_plan->columnIndexes[i];
        const ColumnInfo& info = m_plan->columns[i];
        const uint32_t raw = m_rows->Raw(row, column);
        if (info.IsBinary()) {
            if (raw == 0) {
                continue;
            }
            record.Field(i + 1) = StreamBox(StreamField{
                m_database, storage.CellStreamName(*m_plan->table, *m_rows, row), {}, 0});
        } else if (info.IsString()) {
            if (raw != 0) {
                record.Field(i + 1) = PooledText{raw};
            }
        } else if (!m_rows->IsNull(row, column)) {
            record.Field(i + 1) = m_rows->Integer(row, column);
        }
    }
    return record;
}

std::optional<Record> View::Fetch() {
    if (!m_executed) {
        ThrowMsiFailure(ERROR_FUNCTION_FAILED, 0, {}, u"the view was not executed");
    }
    if (m_next >= m_selected.size()) {
        return std::nullopt;
    }
    return MakeRecord(m_selected[m_next++]);
}

void View::Close() {
    m_executed = false;
    m_result.clear();
    m_selected = {};
    m_next = 0;
}

std::u16string View::ColumnTypeText(const ColumnInfo& c) {
    char16_t letter = u'i';
    if (c.IsBinary()) {
        letter = u'v';
    } else if (c.IsString()) {
        letter = c.IsTemporary() ? u'g' : (c.IsLocalizable() ? u'l' : u's');
    } else {
        letter = c.IsTemporary() ? u'j' : u'i';
    }
    if (c.IsNullable()) {
        letter = static_cast<char16_t>(letter - (u'a' - u'A'));
    }
    return FormatString(u"%c%d", letter, c.IsBinary() ? 0u : c.Width());
}

} // namespace vx::msi
