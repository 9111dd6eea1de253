// Our engine against libmsi: every table of every fixture and corpus package, and a set of
// queries covering each WHERE and ORDER BY form, must agree row for row.

#include "libmsi_oracle.h"
#include "platform/msi/msi_api.h"
#include "platform/sys/wide_string.h"
#include "support/test_paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

using namespace vx;
using namespace vx::test;

namespace {

struct Handle {
    MSIHANDLE h = 0;
    ~Handle() { MsiCloseHandle(h); }
};

std::u16string FieldText(MSIHANDLE record, UINT field) {
    MsiDWORD size = 0;
    MsiRecordGetStringW(record, field, nullptr, &size);
    std::vector<char16_t> buffer(size_t{size} + 1);
    MsiDWORD room = size + 1;
    MsiRecordGetStringW(record, field, buffer.data(), &room);
    return std::u16string(buffer.data(), size);
}

// Runs a query through our C API into the oracle's shape.
OracleResult OurQuery(const std::string& path, std::u16string_view sql,
                      const std::vector<OracleParam>& params = {}) {
    OracleResult out;
    Handle db;
    if (UINT r = MsiOpenDatabaseW(Utf8ToUtf16(path).c_str(), MSIDBOPEN_READONLY, &db.h); r != 0) {
        out.error = static_cast<int>(r);
        return out;
    }
    Handle view;
    const std::u16string query(sql);
    if (UINT r = MsiDatabaseOpenViewW(db.h, query.c_str(), &view.h); r != 0) {
        out.error = static_cast<int>(r);
        return out;
    }
    Handle record;
    if (!params.empty()) {
        record.h = MsiCreateRecord(static_cast<UINT>(params.size()));
        for (size_t i = 0; i < params.size(); ++i) {
            const UINT field = static_cast<UINT>(i + 1);
            if (const auto* n = std::get_if<int32_t>(&params[i])) {
                MsiRecordSetInteger(record.h, field, *n);
            } else if (const auto* s = std::get_if<std::u16string>(&params[i])) {
                MsiRecordSetStringW(record.h, field, s->c_str());
            }
        }
    }
    if (UINT r = MsiViewExecute(view.h, record.h); r != 0) {
        out.error = static_cast<int>(r);
        return out;
    }
    Handle names, types;
    MsiViewGetColumnInfo(view.h, MSICOLINFO_NAMES, &names.h);
    MsiViewGetColumnInfo(view.h, MSICOLINFO_TYPES, &types.h);
    const UINT count = MsiRecordGetFieldCount(names.h);
    for (UINT c = 1; c <= count; ++c) {
        out.columns.push_back({FieldText(names.h, c), FieldText(types.h, c)});
    }
    for (;;) {
        Handle row;
        if (MsiViewFetch(view.h, &row.h) != ERROR_SUCCESS) {
            break;
        }
        std::vector<OracleCell> cells;
        for (UINT c = 1; c <= count; ++c) {
            const char16_t kind = out.columns[c - 1].type.front();
            if (MsiRecordIsNull(row.h, c)) {
                cells.emplace_back(std::monostate{});
            } else if (kind == u'v' || kind == u'V') {
                OracleBytes bytes(MsiRecordDataSize(row.h, c));
                MsiDWORD size = static_cast<MsiDWORD>(bytes.size());
                MsiRecordReadStream(row.h, c, reinterpret_cast<char*>(bytes.data()), &size);
                bytes.resize(size);
                cells.emplace_back(std::move(bytes));
            } else if (kind == u'i' || kind == u'I' || kind == u'j' || kind == u'J') {
                cells.emplace_back(static_cast<int32_t>(MsiRecordGetInteger(row.h, c)));
            } else {
                cells.emplace_back(FieldText(row.h, c));
            }
        }
        out.rows.push_back(std::move(cells));
    }
    return out;
}

std::string Describe(const OracleCell& cell) {
    if (std::holds_alternative<std::monostate>(cell)) {
        return "null";
    }
    if (const auto* i = std::get_if<int32_t>(&cell)) {
        return std::to_string(*i);
    }
    if (const auto* s = std::get_if<std::u16string>(&cell)) {
        std::string text = Utf16ToUtf8(*s);
        return "'" + (text.size() > 60 ? text.substr(0, 60) + "..." : text) + "'";
    }
    return "<" + std::to_string(std::get<OracleBytes>(cell).size()) + " bytes>";
}

// Compares two results and answers the first difference, or "" when they agree.
std::string FirstDifference(const OracleResult& ours, const OracleResult& theirs) {
    std::ostringstream why;
    if (ours.Succeeded() != theirs.Succeeded()) {
        why << "ours " << (ours.Succeeded() ? "ran" : "failed " + std::to_string(ours.error))
            << ", libmsi " << (theirs.Succeeded() ? "ran" : "failed: " + theirs.message);
        return why.str();
    }
    if (!ours.Succeeded()) {
        return {};
    }
    if (ours.columns.size() != theirs.columns.size()) {
        return "column counts differ";
    }
    for (size_t c = 0; c < ours.columns.size(); ++c) {
        // The installer types a temporary column g/j; libmsi types it like any other column.
        std::u16string type = ours.columns[c].type;
        static constexpr std::pair<char16_t, char16_t> kTemporary[] = {
            {u'g', u's'}, {u'G', u'S'}, {u'j', u'i'}, {u'J', u'I'}};
        for (const auto& [temporary, plain] : kTemporary) {
            if (type.front() == temporary) {
                type.front() = plain;
            }
        }
        if (ours.columns[c].name != theirs.columns[c].name || type != theirs.columns[c].type) {
            why << "column " << c + 1 << ": ours " << Utf16ToUtf8(ours.columns[c].name) << " "
                << Utf16ToUtf8(ours.columns[c].type) << ", libmsi "
                << Utf16ToUtf8(theirs.columns[c].name) << " " << Utf16ToUtf8(theirs.columns[c].type);
            return why.str();
        }
    }
    if (ours.rows.size() != theirs.rows.size()) {
        why << "ours " << ours.rows.size() << " rows, libmsi " << theirs.rows.size();
        return why.str();
    }
    for (size_t r = 0; r < ours.rows.size(); ++r) {
        for (size_t c = 0; c < ours.columns.size(); ++c) {
            if (ours.rows[r][c] != theirs.rows[r][c]) {
                why << "row " << r + 1 << " column " << Utf16ToUtf8(ours.columns[c].name)
                    << ": ours " << Describe(ours.rows[r][c]) << ", libmsi "
                    << Describe(theirs.rows[r][c]);
                return why.str();
            }
        }
    }
    return {};
}

std::vector<std::string> AllPackages() {
    std::vector<std::string> packages;
    for (const char* name : {"basic", "pool3", "longstring", "codepage", "nullable", "temporary",
                             "streams", "directories", "big5k"}) {
        packages.push_back(std::string(VX_FIXTURE_DIR) + "/" + name + ".msi");
    }
    for (const char* name :
         {"putty-0.68-installer.msi", "msi_with_external_cab.msi", "NUnit-2.5.2.9222.msi"}) {
        const auto path = vx::testing::CorpusFile(name);
        if (std::filesystem::exists(path)) {
            packages.push_back(path.string());
        }
    }
    return packages;
}

} // namespace

TEST(Differential, EveryTableOfEveryPackageAgreesRowForRow) {
    int tablesCompared = 0;
    for (const auto& package : AllPackages()) {
        SCOPED_TRACE(package);
        for (const auto& table : OracleTableNames(package)) {
            if (table == u"_SummaryInformation" || table == u"_ForceCodepage") {
                continue;
            }
            const std::u16string query = u"SELECT * FROM `" + table + u"`";
            const auto difference = FirstDifference(OurQuery(package, query), OracleQuery(package, query));
            EXPECT_EQ(difference, "") << Utf16ToUtf8(table);
            ++tablesCompared;
        }
    }
    EXPECT_GT(tablesCompared, 100);
}

TEST(Differential, StreamsListsTheSameStreams) {
    for (const auto& package : AllPackages()) {
        const std::u16string query = u"SELECT `Name` FROM `_Streams`";
        auto ours = OurQuery(package, query);
        auto theirs = OracleQuery(package, query);
        // Stream order is storage order in both; compare as sets to stay independent of it.
        auto sorted = [](OracleResult& r) {
            std::vector<std::u16string> names;
            for (const auto& row : r.rows) {
                names.push_back(std::get<std::u16string>(row[0]));
            }
            std::sort(names.begin(), names.end());
            return names;
        };
        EXPECT_EQ(sorted(ours), sorted(theirs)) << package;
    }
}

TEST(Differential, QueriesCoveringEveryWhereAndOrderByForm) {
    const std::string nullable = std::string(VX_FIXTURE_DIR) + "/nullable.msi";
    const std::string big = std::string(VX_FIXTURE_DIR) + "/big5k.msi";
    const std::string basic = std::string(VX_FIXTURE_DIR) + "/basic.msi";
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
        {nullable, u"SELECT * FROM `Numbers` WHERE (`Short` > 0 OR `Long` < 0) AND `Text` <> 'low'",
         {}},
        {nullable, u"SELECT * FROM `Numbers` WHERE `Short` = ?", {int32_t{-1}}},
        {nullable, u"SELECT * FROM `Numbers` WHERE `Id` = ?", {std::u16string(u"Mixed")}},
        {nullable, u"SELECT `Long`, `Id` FROM `Numbers` ORDER BY `Long`", {}},
        {nullable, u"SELECT * FROM `Numbers` ORDER BY `Short`, `Id`", {}},
        {nullable, u"SELECT * FROM `Numbers` ORDER BY `Text`", {}},
        {nullable, u"select * from Numbers where Numbers.Id = 'Zeros'", {}},
        {nullable, u"SELECT * FROM `Numbers` WHERE `Short` = `ShortReq`", {}},
        {basic, u"SELECT * FROM `File` ORDER BY `Sequence`", {}},
        {basic, u"SELECT `File`, `FileName` FROM `File` WHERE `Component_` = ? ORDER BY `File`",
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
        const auto difference =
            FirstDifference(OurQuery(c.package, c.sql, c.params), OracleQuery(c.package, c.sql, c.params));
        EXPECT_EQ(difference, "") << Utf16ToUtf8(c.sql);
    }
}
