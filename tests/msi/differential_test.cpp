// Our engine against libmsi: every table, stream and summary property of every fixture and
// corpus package, and a set of queries covering each WHERE and ORDER BY form, must agree.

#include "libmsi_oracle.h"
#include "msi/api_helpers.h"
#include "platform/sys/wide_string.h"
#include "support/test_paths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace vx;
using namespace vx::test;
using namespace vx::testing;

namespace {

// Runs a query through our C API into the oracle's shape.
OracleResult OurQuery(const std::string& path, std::u16string_view sql,
                      const std::vector<OracleParam>& params = {}) {
    OracleResult out;
    Handle db, view, record, names, types;
    const std::u16string query(sql);
    UINT r = MsiOpenDatabaseW(Utf8ToUtf16(path).c_str(), MSIDBOPEN_READONLY, &db.h);
    r = r != 0 ? r : MsiDatabaseOpenViewW(db.h, query.c_str(), &view.h);
    if (!params.empty()) {
        record.h = MsiCreateRecord(static_cast<UINT>(params.size()));
        for (UINT i = 0; i < params.size(); ++i) {
            if (const auto* n = std::get_if<int32_t>(&params[i])) {
                MsiRecordSetInteger(record.h, i + 1, *n);
            } else if (const auto* t = std::get_if<std::u16string>(&params[i])) {
                MsiRecordSetStringW(record.h, i + 1, t->c_str());
            }
        }
    }
    r = r != 0 ? r : MsiViewExecute(view.h, record.h);
    if (r != 0) {
        out.error = static_cast<int>(r);
        return out;
    }
    MsiViewGetColumnInfo(view.h, MSICOLINFO_NAMES, &names.h);
    MsiViewGetColumnInfo(view.h, MSICOLINFO_TYPES, &types.h);
    const UINT count = MsiRecordGetFieldCount(names.h);
    for (UINT c = 1; c <= count; ++c) {
        out.columns.push_back({FieldText(names.h, c), FieldText(types.h, c)});
    }
    for (Handle row; MsiViewFetch(view.h, &row.h) == ERROR_SUCCESS; MsiCloseHandle(row.h)) {
        std::vector<OracleCell>& cells = out.rows.emplace_back();
        for (UINT c = 1; c <= count; ++c) {
            const char16_t kind = static_cast<char16_t>(out.columns[c - 1].type.front() | 0x20);
            if (MsiRecordIsNull(row.h, c)) {
                cells.emplace_back(std::monostate{});
            } else if (kind == u'v') {
                OracleBytes bytes(MsiRecordDataSize(row.h, c));
                MsiDWORD size = static_cast<MsiDWORD>(bytes.size());
                MsiRecordReadStream(row.h, c, reinterpret_cast<char*>(bytes.data()), &size);
                cells.emplace_back(std::move(bytes));
            } else if (kind == u'i' || kind == u'j') {
                cells.emplace_back(static_cast<int32_t>(MsiRecordGetInteger(row.h, c)));
            } else {
                cells.emplace_back(FieldText(row.h, c));
            }
        }
    }
    return out;
}

// A result as lines of text: the columns' names and types, then one line a row.
std::vector<std::string> Lines(const OracleResult& result) {
    if (!result.Succeeded()) {
        return {"failed"};
    }
    std::string header;
    for (const auto& column : result.columns) {
        // The installer types a temporary column g/j; libmsi types it like any other column.
        std::string type = Utf16ToUtf8(column.type);
        type[0] = type[0] == 'g'   ? 's'
                  : type[0] == 'G' ? 'S'
                  : type[0] == 'j' ? 'i'
                  : type[0] == 'J' ? 'I'
                                   : type[0];
        header += Utf16ToUtf8(column.name) + " " + type + "\t";
    }
    std::vector<std::string> lines{header};
    for (const auto& row : result.rows) {
        std::string& line = lines.emplace_back();
        for (const OracleCell& cell : row) {
            if (const auto* i = std::get_if<int32_t>(&cell)) {
                line += std::to_string(*i);
            } else if (const auto* t = std::get_if<std::u16string>(&cell)) {
                line += "'" + Utf16ToUtf8(*t) + "'";
            } else if (const auto* b = std::get_if<OracleBytes>(&cell)) {
                line += "<" + std::string(b->begin(), b->end()) + ">";
            } else {
                line += "null";
            }
            line += "\t";
        }
    }
    return lines;
}

// Shows the first line where the results part, cut to a readable length.
void ExpectSame(const OracleResult& ours, const OracleResult& theirs, const std::string& what) {
    const auto a = Lines(ours), b = Lines(theirs);
    const auto [x, y] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    EXPECT_TRUE(x == a.end() && y == b.end())
        << what << "\nline " << (x - a.begin())
        << "\nours:   " << (x == a.end() ? "(end)" : x->substr(0, 300))
        << "\nlibmsi: " << (y == b.end() ? "(end) " + theirs.message : y->substr(0, 300));
}

// Rows in key order, for the tables whose row order is the storage's own.
OracleResult Sorted(OracleResult result) {
    std::sort(result.rows.begin(), result.rows.end(), [](const auto& a, const auto& b) {
        return std::get<std::u16string>(a[0]) < std::get<std::u16string>(b[0]);
    });
    return result;
}

// The summary properties through our C API, in the oracle's shape.
std::map<int, OracleSummaryValue> OurSummary(const std::string& path) {
    Handle summary;
    EXPECT_EQ(MsiGetSummaryInformationW(0, Utf8ToUtf16(path).c_str(), 0, &summary.h), 0u);
    std::map<int, OracleSummaryValue> values;
    for (UINT id = 1; id <= 19; ++id) {
        UINT type = 0;
        INT number = 0;
        MsiFileTime time;
        char16_t text[1024];
        MsiDWORD size = 1024;
        if (MsiSummaryInfoGetPropertyW(summary.h, id, &type, &number, &time, text, &size) != 0) {
            continue;
        }
        if (type == VT_I2_PROPERTY || type == VT_I4_PROPERTY) {
            values[static_cast<int>(id)] = number;
        } else if (type == VT_LPSTR_PROPERTY) {
            values[static_cast<int>(id)] = std::u16string(text, size);
        } else if (type == VT_FILETIME_PROPERTY) {
            values[static_cast<int>(id)] =
                OracleFileTime{uint64_t{time.dwHighDateTime} << 32 | time.dwLowDateTime};
        }
    }
    return values;
}

std::vector<std::string> AllPackages() {
    std::vector<std::string> packages;
    for (const char* name : {"basic", "pool3", "longstring", "codepage", "nullable", "temporary",
                             "streams", "directories", "big5k"}) {
        packages.push_back(FixtureFile(name));
    }
    for (const auto& path : CorpusPackages()) {
        packages.push_back(path.string());
    }
    return packages;
}

class Differential : public ::testing::TestWithParam<std::string> {};

} // namespace

// Every table (the system ones included), every stream's bytes and the summary information,
// read through the C API, as libmsi reads them; and reading never changes the file.
TEST_P(Differential, EveryTableStreamAndPropertyAgrees) {
    const std::string& package = GetParam();
    const auto before = FileBytes(package);
    const auto modified = std::filesystem::last_write_time(package);
    std::vector<std::u16string> tables = OracleTableNames(package);
    tables.erase(tables.begin(), tables.begin() + 2); // _SummaryInformation, _ForceCodepage
    tables.insert(tables.end(), {u"_Tables", u"_Columns"});
    for (const auto& table : tables) {
        const std::u16string query = u"SELECT * FROM `" + table + u"`";
        ExpectSame(OurQuery(package, query), OracleQuery(package, query), Utf16ToUtf8(table));
    }
    const std::u16string streams = u"SELECT `Name`, `Data` FROM `_Streams`";
    ExpectSame(Sorted(OurQuery(package, streams)), Sorted(OracleQuery(package, streams)),
               "_Streams");
    EXPECT_EQ(OurSummary(package), OracleSummary(package));
    EXPECT_EQ(FileBytes(package), before);
    EXPECT_EQ(std::filesystem::last_write_time(package), modified);
}

INSTANTIATE_TEST_SUITE_P(Packages, Differential, ::testing::ValuesIn(AllPackages()),
                         [](const auto& param) {
                             std::string name = std::filesystem::path(param.param).stem().string();
                             name = name.substr(0, name.find_first_of("-."));
                             std::replace(name.begin(), name.end(), '_', 'X');
                             return name;
                         });

TEST(DifferentialQueries, EveryWhereAndOrderByForm) {
    const std::string nullable = FixtureFile("nullable");
    const std::string big = FixtureFile("big5k");
    const std::string basic = FixtureFile("basic");
    struct Case {
        const std::string& package;
        std::u16string sql;
        std::vector<OracleParam> params;
    };
    const std::vector<Case> cases = {
        {nullable, u"SELECT * FROM `Numbers` WHERE `Short` = 0", {}},
        {nullable, u"SELECT * FROM `Numbers` WHERE `Short` <> 0", {}},
        {nullable, u"SELECT * FROM `Numbers` WHERE `Long` < 0", {}},
        {nullable, u"SELECT * FROM `Numbers` WHERE `Long` > -1", {}},
        {nullable, u"SELECT * FROM `Numbers` WHERE `Long` <= 7", {}},
        {nullable, u"SELECT * FROM `Numbers` WHERE `Long` >= -2147483647", {}},
        {nullable, u"SELECT * FROM `Numbers` WHERE `Short` IS NULL", {}},
        {nullable, u"SELECT * FROM `Numbers` WHERE `Short` IS NOT NULL", {}},
        {nullable, u"SELECT * FROM `Numbers` WHERE `Text` IS NULL", {}},
        {nullable, u"SELECT * FROM `Numbers` WHERE `Text` = 'zero'", {}},
        {nullable, u"SELECT * FROM `Numbers` WHERE `Text` <> 'zero'", {}},
        {nullable, u"SELECT * FROM `Numbers` WHERE `Text` = ''", {}},
        {nullable, u"SELECT * FROM `Numbers` WHERE `Text` = 'absent'", {}},
        {nullable, u"SELECT * FROM `Numbers` WHERE `ShortReq` = 0 OR `LongReq` = 3", {}},
        {nullable,
         u"SELECT * FROM `Numbers` WHERE (`Short` > 0 OR `Long` < 0) AND `Text` <> 'low'",
         {}},
        {nullable, u"SELECT * FROM `Numbers` WHERE `Short` = ?", {int32_t{-1}}},
        {nullable, u"SELECT * FROM `Numbers` WHERE `Id` = ?", {std::u16string(u"Mixed")}},
        {nullable, u"SELECT `Long`, `Id` FROM `Numbers` ORDER BY `Long`", {}},
        {nullable, u"SELECT * FROM `Numbers` ORDER BY `Short`, `Id`", {}},
        {nullable, u"SELECT * FROM `Numbers` ORDER BY `Text`", {}},
        {nullable, u"select * from Numbers where Numbers.Id = 'Zeros'", {}},
        {nullable, u"SELECT * FROM `Numbers` WHERE `Short` = `ShortReq`", {}},
        {nullable, u"SELECT * FROM `Numbers` WHERE `Short` < 1", {}},
        {nullable, u"SELECT * FROM `Numbers` WHERE `Long` > -2147483647", {}},
        {nullable, u"SELECT * FROM `Numbers` WHERE `Long` = 2147483647", {}},
        {nullable, u"SELECT * FROM `Numbers` WHERE `Text` <> 'absent'", {}},
        {nullable,
         u"SELECT * FROM `Numbers` WHERE `ShortReq` = 0 OR `ShortReq` = 1 AND `LongReq` = 3",
         {}},
        {nullable, u"SELECT * FROM `Numbers` WHERE `Id` = 'Zeros' AND `Short` = 1", {}},
        {nullable, u"SELECT * FROM `Numbers` WHERE `Id` = 'Zeros' OR `Long` < 0", {}},
        {nullable, u"SELECT * FROM `Numbers` WHERE `Text` = 'zero' AND `Short` = 0", {}},
        {big,
         u"SELECT * FROM `File` WHERE `File` = ? AND `Sequence` = 1",
         {std::u16string(u"F01234")}},
        {basic, u"SELECT * FROM `File` ORDER BY `Sequence`", {}},
        {basic,
         u"SELECT `File`, `FileName` FROM `File` WHERE `Component_` = ? ORDER BY `File`",
         {std::u16string(u"MainComponent")}},
        {basic, u"SELECT * FROM `Directory` WHERE `Directory_Parent` = 'TARGETDIR'", {}},
        {big, u"SELECT * FROM `File` WHERE `File` = ?", {std::u16string(u"F01234")}},
        {big, u"SELECT `File`, `Sequence` FROM `File` WHERE `Sequence` >= 4990", {}},
        {big, u"SELECT `Component` FROM `Component` ORDER BY `Directory_`", {}},
        {nullable, u"SELECT * FROM `Nope`", {}},
        {nullable, u"SELECT `Nope` FROM `Numbers`", {}},
        {nullable, u"SELECT * FROM `Numbers` WHERE", {}},
    };
    for (const auto& c : cases) {
        ExpectSame(OurQuery(c.package, c.sql, c.params), OracleQuery(c.package, c.sql, c.params),
                   Utf16ToUtf8(c.sql));
    }
}
