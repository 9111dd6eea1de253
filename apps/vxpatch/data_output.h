#pragma once
// What a data command prints: its text lines, or with --json one JSON document. Commands that
// print data say so in the command table; the command line takes --json away from their
// arguments and sets the format before they run.
//
// Fields ("Name: value" lines) become one object keyed by the same names. Rows (tab-separated
// lines) become an array of objects keyed by the column names, each row written as it comes,
// so a long listing starts at once in either format.

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vx::cli {

enum class OutputFormat { Text, Json };
OutputFormat CurrentOutputFormat();
void SetOutputFormat(OutputFormat format);
inline bool JsonOutput() {
    return CurrentOutputFormat() == OutputFormat::Json;
}

std::string Utf8(std::u16string_view text);

class FieldPrinter {
public:
    void Text(std::u16string_view name, std::u16string_view value);
    void Number(std::u16string_view name, int64_t value);
    // "0"/"1" in text, false/true in JSON.
    void Flag(std::u16string_view name, bool value);
    // JSON only: a member the text shows in lines of its own.
    void Member(std::u16string_view name, nlohmann::ordered_json value);
    // Prints the JSON object; nothing more in text.
    void Finish();

private:
    nlohmann::ordered_json m_object = nlohmann::ordered_json::object();
};

enum class CellKind { Text, Number, Flag, Null };

struct Column {
    std::u16string name;
    CellKind kind = CellKind::Text;
};

class RowPrinter {
public:
    explicit RowPrinter(std::vector<Column> columns);
    ~RowPrinter();
    RowPrinter(const RowPrinter&) = delete;
    RowPrinter& operator=(const RowPrinter&) = delete;

    // One cell per column, as the text shows it. A Number cell holds decimal digits (an empty
    // one is null in JSON); a Flag cell "0" or "1". `nulls` marks cells that are null in JSON
    // (empty in text).
    void Row(const std::vector<std::u16string>& cells, const std::vector<bool>& nulls = {});
    // Closes the JSON array. Also done on destruction, so a failure part-way still leaves the
    // rows written so far as a whole document.
    void Finish();

private:
    std::vector<Column> m_columns;
    size_t m_rows = 0;
    bool m_finished = false;
};

} // namespace vx::cli
