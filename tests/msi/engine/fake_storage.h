#pragma once
// An installer storage built in memory from rows written in the test, so the query engine's
// rules can be checked without a package file.

#include "platform/msi/storage/installer_storage.h"

#include <initializer_list>
#include <unordered_map>

namespace vx::msi::testing {

// A cell as a test writes it: null, an integer or a text.
struct Cell {
    enum class Kind { Null, Integer, Text } kind = Kind::Null;
    int32_t integer = 0;
    std::u16string text;
    Cell() = default;
    Cell(std::nullptr_t) {}
    Cell(int value) : kind(Kind::Integer), integer(value) {}
    Cell(const char16_t* value) : kind(Kind::Text), text(value) {}
};

class FakeStorage final : public InstallerStorage {
public:
    FakeStorage() { m_strings.emplace_back(); }

    // Pre-seeds the pool so tests control string ids (and so ORDER BY of strings).
    uint32_t Intern(const std::u16string& text) {
        if (text.empty()) {
            return 0;
        }
        if (auto it = m_ids.find(text); it != m_ids.end()) {
            return it->second;
        }
        m_strings.push_back(text);
        const auto id = static_cast<uint32_t>(m_strings.size() - 1);
        m_ids.emplace(text, id);
        return id;
    }

    void AddTable(const std::u16string& name, std::vector<ColumnInfo> columns,
                  std::initializer_list<std::vector<Cell>> rows) {
        TableInfo info{name, std::move(columns), true};
        for (uint16_t i = 0; i < info.columns.size(); ++i) {
            info.columns[i].number = static_cast<uint16_t>(i + 1);
        }
        TableData data;
        data.width = static_cast<uint32_t>(info.columns.size());
        for (const auto& row : rows) {
            for (uint32_t c = 0; c < data.width; ++c) {
                const Cell& cell = row[c];
                const bool isString = info.columns[c].IsString();
                uint32_t raw = 0;
                bool isNull = cell.kind == Cell::Kind::Null;
                if (cell.kind == Cell::Kind::Text) {
                    raw = Intern(cell.text);
                    isNull = raw == 0;
                } else if (cell.kind == Cell::Kind::Integer) {
                    raw = isString ? Intern(std::u16string(u"#") + char16_t(u'0' + cell.integer))
                                   : static_cast<uint32_t>(cell.integer);
                }
                data.cells.push_back(raw);
                data.nulls.push_back(isNull ? 1 : 0);
            }
            ++data.rowCount;
        }
        m_tables.push_back(std::move(info));
        m_data.push_back(std::move(data));
    }

    void AddStream(const std::u16string& name, std::vector<uint8_t> bytes) {
        m_streams[name] = std::move(bytes);
    }

    uint32_t CodePage() const override { return 1252; }
    bool LongStringReferences() const override { return false; }
    uint32_t StringCount() const override { return static_cast<uint32_t>(m_strings.size()); }
    std::u16string_view String(uint32_t id) const override {
        return id < m_strings.size() ? std::u16string_view(m_strings[id]) : std::u16string_view();
    }
    uint32_t FindString(std::u16string_view text) const override {
        const auto it = m_ids.find(std::u16string(text));
        return it == m_ids.end() ? 0 : it->second;
    }
    const std::vector<TableInfo>& Tables() const override { return m_tables; }
    const TableInfo* FindTable(std::u16string_view name) const override {
        for (const auto& t : m_tables) {
            if (t.name == name) {
                return &t;
            }
        }
        return nullptr;
    }
    const TableData& Rows(const TableInfo& table) const override {
        return m_data[static_cast<size_t>(&table - m_tables.data())];
    }
    std::u16string CellStreamName(const TableInfo& table, const TableData& rows,
                                  uint32_t row) const override {
        std::u16string name = table.name;
        for (uint32_t c = 0; c < table.columns.size(); ++c) {
            if (table.columns[c].IsKey()) {
                name += u".";
                name += table.columns[c].IsString()
                            ? std::u16string(String(rows.Raw(row, c)))
                            : std::u16string(1, char16_t(u'0' + rows.Integer(row, c)));
            }
        }
        return name;
    }
    std::vector<std::u16string> StreamNames() const override {
        std::vector<std::u16string> names;
        for (const auto& [name, bytes] : m_streams) {
            names.push_back(name);
        }
        return names;
    }
    std::optional<std::vector<uint8_t>> ReadStream(std::u16string_view name) const override {
        const auto it = m_streams.find(std::u16string(name));
        if (it == m_streams.end()) {
            return std::nullopt;
        }
        return it->second;
    }
    const std::map<uint32_t, SummaryValue>& Summary() const override { return m_summary; }

    std::map<uint32_t, SummaryValue> m_summary;

private:
    std::vector<std::u16string> m_strings;
    std::unordered_map<std::u16string, uint32_t> m_ids;
    std::vector<TableInfo> m_tables;
    std::vector<TableData> m_data;
    std::map<std::u16string, std::vector<uint8_t>> m_streams;
};

inline ColumnInfo StringColumn(const char16_t* name, unsigned width, bool key = false,
                               bool nullable = false) {
    return ColumnInfo{name,
                      static_cast<uint16_t>(kColumnValid | kColumnString | width |
                                            (key ? kColumnKey : 0) |
                                            (nullable ? kColumnNullable : 0)),
                      0};
}
inline ColumnInfo IntegerColumn(const char16_t* name, unsigned width, bool key = false,
                                bool nullable = false) {
    return ColumnInfo{name,
                      static_cast<uint16_t>(kColumnValid | width | (key ? kColumnKey : 0) |
                                            (nullable ? kColumnNullable : 0)),
                      0};
}
inline ColumnInfo BinaryColumn(const char16_t* name, bool nullable = false) {
    return ColumnInfo{
        name, static_cast<uint16_t>(kColumnValid | kColumnString | (nullable ? kColumnNullable : 0)),
        0};
}

} // namespace vx::msi::testing
