#pragma once
// The differential tests' reference: libmsi (from msitools) read through plain C++ types, so a
// test compares our engine's answers with another reader's without touching GObject.
//
// Every function opens the package read-only, answers, and closes it again. A package libmsi
// cannot open throws std::runtime_error; a query libmsi rejects is reported in OracleResult.

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vx::test {

// A cell: null, an integer, a string, or the bytes of a stream ('v' column).
using OracleBytes = std::vector<uint8_t>;
using OracleCell = std::variant<std::monostate, int32_t, std::u16string, OracleBytes>;
// A value for a '?' marker of the query.
using OracleParam = std::variant<std::monostate, int32_t, std::u16string>;

struct OracleColumn {
    std::u16string name;
    std::u16string type; // as libmsi reports it: "s72", "I2", "L0", "v0", ...
};

struct OracleResult {
    // 0 when the query ran; otherwise libmsi's LibmsiResultError code (e.g. 13 for a syntax
    // error, 16 for an unknown table) and its message.
    int error = 0;
    std::string message;
    std::vector<OracleColumn> columns;
    std::vector<std::vector<OracleCell>> rows;

    bool Succeeded() const { return error == 0; }
};

// The table names as `msiinfo tables` lists them: _SummaryInformation and _ForceCodepage
// first, then the _Tables rows in libmsi's order.
std::vector<std::u16string> OracleTableNames(const std::string& path);

OracleResult OracleQuery(const std::string& path, std::u16string_view sql,
                         const std::vector<OracleParam>& params = {});

// A summary information property: VT_I2/VT_I4, text, or a FILETIME's raw 64-bit value.
struct OracleFileTime {
    uint64_t value = 0;
    friend bool operator==(const OracleFileTime&, const OracleFileTime&) = default;
};
using OracleSummaryValue = std::variant<int32_t, std::u16string, OracleFileTime>;

// The properties present, by property id (1 code page, 2 title, ... 19 security).
std::map<int, OracleSummaryValue> OracleSummary(const std::string& path);

std::string ToUtf8(std::u16string_view text);
std::u16string ToUtf16(std::string_view text);

} // namespace vx::test
