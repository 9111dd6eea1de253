#include "apps/vxpatch/data_output.h"

#include "apps/vxpatch/console.h"
#include "platform/sys/wide_string.h"

#include <charconv>
#include <cstdio>

namespace vx::cli {
namespace {

OutputFormat g_format = OutputFormat::Text;

void WriteUtf8(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

nlohmann::ordered_json CellValue(const Column& column, std::u16string_view cell, bool null) {
    if (null) {
        return nullptr;
    }
    switch (column.kind) {
    case CellKind::Number: {
        const std::string digits = Utf8(cell);
        int64_t value = 0;
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
            return digits.empty() ? nlohmann::ordered_json(nullptr)
                                  : nlohmann::ordered_json(digits);
        }
        return value;
    }
    case CellKind::Flag:
        return cell == u"1";
    case CellKind::Null:
        return nullptr;
    case CellKind::Text:
        break;
    }
    return Utf8(cell);
}

} // namespace

OutputFormat CurrentOutputFormat() {
    return g_format;
}

void SetOutputFormat(OutputFormat format) {
    g_format = format;
}

std::string Utf8(std::u16string_view text) {
    return Utf16ToUtf8(text);
}

void FieldPrinter::Text(std::u16string_view name, std::u16string_view value) {
    if (JsonOutput()) {
        m_object[Utf8(name)] = Utf8(value);
    } else {
        PrintLine(std::u16string(name) + u": " + std::u16string(value));
    }
}

void FieldPrinter::Number(std::u16string_view name, int64_t value) {
    if (JsonOutput()) {
        m_object[Utf8(name)] = value;
    } else {
        PrintLine(std::u16string(name) + u": " + Utf8ToUtf16(std::to_string(value)));
    }
}

void FieldPrinter::Flag(std::u16string_view name, bool value) {
    if (JsonOutput()) {
        m_object[Utf8(name)] = value;
    } else {
        PrintLine(std::u16string(name) + (value ? u": 1" : u": 0"));
    }
}

void FieldPrinter::Member(std::u16string_view name, nlohmann::ordered_json value) {
    if (JsonOutput()) {
        m_object[Utf8(name)] = std::move(value);
    }
}

void FieldPrinter::Finish() {
    if (JsonOutput()) {
        WriteUtf8(m_object.dump(2) + "\n");
    }
}

RowPrinter::RowPrinter(std::vector<Column> columns) : m_columns(std::move(columns)) {}

RowPrinter::~RowPrinter() {
    Finish();
}

void RowPrinter::Row(const std::vector<std::u16string>& cells, const std::vector<bool>& nulls) {
    ++m_rows;
    if (!JsonOutput()) {
        std::u16string line;
        for (size_t i = 0; i < cells.size(); ++i) {
            line += (i ? u"\t" : u"") + cells[i];
        }
        PrintLine(line);
    } else {
        nlohmann::ordered_json row = nlohmann::ordered_json::object();
        for (size_t i = 0; i < m_columns.size(); ++i) {
            const std::u16string_view cell = i < cells.size() ? std::u16string_view(cells[i]) : u"";
            row[Utf8(m_columns[i].name)] =
                CellValue(m_columns[i], cell, i < nulls.size() && nulls[i]);
        }
        WriteUtf8((m_rows == 1 ? "[\n  " : ",\n  ") + row.dump());
    }
    // A long listing is seen as it comes, also through a pipe.
    if (m_rows % 256 == 1) {
        std::fflush(stdout);
    }
}

void RowPrinter::Finish() {
    if (m_finished) {
        return;
    }
    m_finished = true;
    if (JsonOutput()) {
        WriteUtf8(m_rows == 0 ? "[]\n" : "\n]\n");
    }
}

} // namespace vx::cli
