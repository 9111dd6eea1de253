// Proves that each fixture package holds what its generator meant it to hold, as libmsi reads it
// (and, for the string pool header and table stream sizes, as the raw streams show it). The
// engine's differential tests rely on both.

#include "libmsi_oracle.h"

#include <libmsi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

namespace vx::test {
namespace {

std::string Fixture(std::string_view name) {
    return std::string(VX_FIXTURE_DIR) + "/" + std::string(name) + ".msi";
}

OracleResult Query(std::string_view fixture, std::u16string_view sql,
                   const std::vector<OracleParam>& params = {}) {
    OracleResult result = OracleQuery(Fixture(fixture), sql, params);
    EXPECT_TRUE(result.Succeeded()) << result.message;
    return result;
}

size_t RowCount(std::string_view fixture, std::u16string_view table) {
    return Query(fixture, u"SELECT * FROM `" + std::u16string(table) + u"`").rows.size();
}

const std::u16string& Text(const OracleCell& cell) {
    return std::get<std::u16string>(cell);
}
int32_t Int(const OracleCell& cell) {
    return std::get<int32_t>(cell);
}
bool IsNull(const OracleCell& cell) {
    return std::holds_alternative<std::monostate>(cell);
}

// Rows keyed by their first column.
std::map<std::u16string, std::vector<OracleCell>> ByKey(const OracleResult& result) {
    std::map<std::u16string, std::vector<OracleCell>> rows;
    for (const auto& row : result.rows) {
        rows[Text(row.at(0))] = row;
    }
    return rows;
}

std::vector<std::u16string> Types(const OracleResult& result) {
    std::vector<std::u16string> types;
    for (const auto& column : result.columns) {
        types.push_back(column.type);
    }
    return types;
}

uint32_t PoolHeader(std::string_view fixture) {
    const auto pool = OracleRawStream(Fixture(fixture), u"!_StringPool");
    EXPECT_TRUE(pool.has_value());
    if (!pool || pool->size() < 4) {
        return 0;
    }
    const auto& b = *pool;
    return static_cast<uint32_t>(b[0] | b[1] << 8 | b[2] << 16) | static_cast<uint32_t>(b[3]) << 24;
}

bool Contains(const std::vector<std::u16string>& names, std::u16string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

TEST(OracleBasic, ListsTablesLikeMsiinfo) {
    const auto names = OracleTableNames(Fixture("basic"));
    ASSERT_GE(names.size(), 2u);
    EXPECT_EQ(names[0], u"_SummaryInformation");
    EXPECT_EQ(names[1], u"_ForceCodepage");
    for (auto table : {u"File", u"Component", u"Directory", u"Feature", u"FeatureComponents",
                       u"Media", u"Property"}) {
        EXPECT_TRUE(Contains(names, table)) << ToUtf8(table);
    }
}

TEST(OracleBasic, HoldsFoldersComponentsAndFeatures) {
    EXPECT_EQ(RowCount("basic", u"File"), 5u);
    EXPECT_EQ(RowCount("basic", u"Component"), 4u);
    EXPECT_EQ(RowCount("basic", u"Feature"), 2u);
    EXPECT_EQ(RowCount("basic", u"FeatureComponents"), 4u);

    const auto dirs = ByKey(Query("basic", u"SELECT * FROM `Directory`"));
    EXPECT_EQ(Text(dirs.at(u"INSTALLDIR")[1]), u"ProgramFilesFolder");
    EXPECT_EQ(Text(dirs.at(u"PluginDir")[1]), u"BinDir");
    EXPECT_EQ(Text(dirs.at(u"PluginDir")[2]), u"PLUGIN~1|Plugins Folder");
    EXPECT_TRUE(IsNull(dirs.at(u"TARGETDIR")[1]));

    const auto files = Query("basic", u"SELECT * FROM `File`");
    EXPECT_EQ(Types(files), (std::vector<std::u16string>{u"s72", u"s72", u"l255", u"i4", u"S72",
                                                         u"S20", u"I2", u"i4"}));
    EXPECT_EQ(files.columns[2].name, u"FileName");
    EXPECT_EQ(OraclePrimaryKeys(Fixture("basic"), u"FeatureComponents"),
              (std::vector<std::u16string>{u"Feature_", u"Component_"}));
}

TEST(OracleBasic, BindsParametersAndReportsBadQueries) {
    const auto color =
        Query("basic", u"SELECT `Value` FROM `Property` WHERE `Property` = ?", {u"COLOR"});
    ASSERT_EQ(color.rows.size(), 1u);
    EXPECT_EQ(Text(color.rows[0][0]), u"blue");
    const auto bySequence =
        Query("basic", u"SELECT `File` FROM `File` WHERE `Sequence` = ?", {int32_t{3}});
    ASSERT_EQ(bySequence.rows.size(), 1u);

    for (auto sql : {u"SELEC * FROM `File`", u"SELECT * FROM `NoSuchTable`"}) {
        const auto bad = OracleQuery(Fixture("basic"), sql);
        EXPECT_EQ(bad.error, LIBMSI_RESULT_BAD_QUERY_SYNTAX) << ToUtf8(sql);
        EXPECT_TRUE(bad.rows.empty());
    }
}

TEST(OracleBasic, EmbedsTheCabinetAndSummary) {
    const auto media = Query("basic", u"SELECT `Cabinet` FROM `Media`");
    ASSERT_EQ(media.rows.size(), 1u);
    EXPECT_EQ(Text(media.rows[0][0]), u"#basic.cab");
    const auto cab = Query("basic", u"SELECT `Data` FROM `_Streams` WHERE `Name` = 'basic.cab'");
    ASSERT_EQ(cab.rows.size(), 1u);
    const auto& bytes = std::get<OracleBytes>(cab.rows[0][0]);
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "MSCF");
    EXPECT_EQ(OracleRawStream(Fixture("basic"), u"basic.cab"), bytes);

    const auto summary = OracleSummary(Fixture("basic"));
    EXPECT_EQ(std::get<std::u16string>(summary.at(LIBMSI_PROPERTY_SUBJECT)),
              u"Basic fixture package");
    EXPECT_EQ(std::get<std::u16string>(summary.at(LIBMSI_PROPERTY_AUTHOR)), u"Fixture Maker");
    // wixl makes up a new package code on every build.
    const auto& packageCode = std::get<std::u16string>(summary.at(LIBMSI_PROPERTY_UUID));
    EXPECT_EQ(packageCode.size(), 38u);
    EXPECT_EQ(packageCode.front(), u'{');
    EXPECT_EQ(std::get<int32_t>(summary.at(LIBMSI_PROPERTY_VERSION)), 200);
    EXPECT_TRUE(std::holds_alternative<OracleFileTime>(summary.at(LIBMSI_PROPERTY_CREATED_TM)));
}

TEST(OracleStringPool, Pool3UsesThreeByteReferences) {
    EXPECT_NE(PoolHeader("pool3") & 0x80000000u, 0u);
    EXPECT_EQ(PoolHeader("pool3") & 0x7FFFFFFFu, 0u);
    const auto rows = Query("pool3", u"SELECT `Key`, `Value` FROM `Strings`").rows;
    ASSERT_EQ(rows.size(), 40000u);
    std::set<std::u16string> distinct;
    for (const auto& row : rows) {
        distinct.insert(Text(row[0]));
        distinct.insert(Text(row[1]));
    }
    EXPECT_GT(distinct.size(), 65536u);
    // Strings with ids above 65,535 must still resolve to the right text.
    const auto last = Query("pool3", u"SELECT `Value` FROM `Strings` WHERE `Key` = ?", {u"K39999"});
    ASSERT_EQ(last.rows.size(), 1u);
    EXPECT_EQ(Text(last.rows[0][0]), u"value 39999");
}

TEST(OracleStringPool, LongStringsKeepTheirLength) {
    EXPECT_EQ(PoolHeader("longstring"), 0u); // two-byte references, code page 0
    const auto rows = ByKey(Query("longstring", u"SELECT * FROM `LongText`"));
    const std::map<std::u16string, size_t> expected{{u"Max16", 65535},
                                                    {u"Just64K", 65536},
                                                    {u"Over64K", 70000},
                                                    {u"Near128K", 131071},
                                                    {u"Short", 5}};
    ASSERT_EQ(rows.size(), expected.size());
    for (const auto& [key, length] : expected) {
        const auto& text = Text(rows.at(key)[1]);
        EXPECT_EQ(text.size(), length) << ToUtf8(key);
        EXPECT_EQ(static_cast<size_t>(Int(rows.at(key)[2])), length);
        if (key != u"Short") {
            EXPECT_EQ(text.substr(0, key.size() + 1), key + u":");
            EXPECT_EQ(text.back(), u"abcdefghij"[(length - key.size() - 2) % 10]);
        }
    }
}

TEST(OracleStringPool, CodepagePackageStoresCyrillicBytes) {
    EXPECT_EQ(PoolHeader("codepage"), 1251u);
    const auto data = OracleRawStream(Fixture("codepage"), u"!_StringData");
    ASSERT_TRUE(data.has_value());
    // "Ёжик" in code page 1251.
    const std::string hedgehog{'\xA8', '\xE6', '\xE8', '\xEA'};
    EXPECT_NE(std::string(data->begin(), data->end()).find(hedgehog), std::string::npos);

    const auto rows = ByKey(Query("codepage", u"SELECT * FROM `Phrase`"));
    EXPECT_EQ(Text(rows.at(u"Greeting")[1]), u"Привет, мир");
    EXPECT_EQ(Text(rows.at(u"Hedgehog")[1]), u"Ёжик в тумане");
    EXPECT_EQ(Text(rows.at(u"Numero")[1]), u"Заказ № 42");
    EXPECT_EQ(Text(rows.at(u"Mixed")[1]), u"ASCII и кириллица");
    EXPECT_EQ(Text(rows.at(u"Plain")[1]), u"plain ascii");
    const auto name =
        Query("codepage", u"SELECT `Value` FROM `Property` WHERE `Property` = 'ProductName'");
    ASSERT_EQ(name.rows.size(), 1u);
    EXPECT_EQ(Text(name.rows[0][0]), u"Привет, мир");
}

TEST(OracleCells, NullableColumnsHoldNullsAndExtremes) {
    const auto result = Query("nullable", u"SELECT * FROM `Numbers`");
    EXPECT_EQ(Types(result),
              (std::vector<std::u16string>{u"s72", u"I2", u"I4", u"S255", u"i2", u"i4"}));
    const auto rows = ByKey(result);
    ASSERT_EQ(rows.size(), 7u);
    const auto& allNull = rows.at(u"AllNull");
    EXPECT_TRUE(IsNull(allNull[1]) && IsNull(allNull[2]) && IsNull(allNull[3]));
    EXPECT_EQ(Int(allNull[4]), 1);
    EXPECT_EQ(Int(rows.at(u"Zeros")[1]), 0);
    EXPECT_EQ(Int(rows.at(u"Zeros")[2]), 0);
    EXPECT_EQ(Int(rows.at(u"MinusOne")[2]), -1);
    EXPECT_EQ(Int(rows.at(u"Extremes")[1]), -32767);
    EXPECT_EQ(Int(rows.at(u"Extremes")[2]), -2147483647);
    EXPECT_EQ(Int(rows.at(u"Extremes")[5]), -2147483647);
    EXPECT_EQ(Int(rows.at(u"Maxima")[1]), 32767);
    EXPECT_EQ(Int(rows.at(u"Maxima")[2]), 2147483647);
    EXPECT_EQ(Int(rows.at(u"Maxima")[5]), 2147483647);
    EXPECT_TRUE(IsNull(rows.at(u"Mixed")[1]));
    EXPECT_EQ(Int(rows.at(u"Mixed")[2]), 7);
    // An empty string is stored as null: the pool has no empty string.
    EXPECT_TRUE(IsNull(rows.at(u"EmptyText")[3]));
    EXPECT_EQ(Query("nullable", u"SELECT * FROM `Numbers` WHERE `Text` IS NULL").rows.size(), 3u);
}

TEST(OracleCells, TemporaryColumnsAreMarkedAndStored) {
    const auto columns =
        Query("temporary", u"SELECT `Name`, `Type` FROM `_Columns` WHERE `Table` = 'Session'");
    std::map<std::u16string, int32_t> types;
    for (const auto& row : columns.rows) {
        types[Text(row[0])] = Int(row[1]);
    }
    ASSERT_EQ(types.size(), 4u);
    EXPECT_EQ(types.at(u"Id") & 0x4000, 0);
    EXPECT_NE(types.at(u"Note") & 0x4000, 0);
    EXPECT_EQ(types.at(u"Count") & 0x4000, 0);
    EXPECT_NE(types.at(u"Scratch") & 0x4000, 0);

    const auto rows = ByKey(Query("temporary", u"SELECT * FROM `Session`"));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(Text(rows.at(u"two")[1]), u"second");
    EXPECT_EQ(Int(rows.at(u"three")[3]), 300);
    // libmsi writes the temporary columns' cells too: 3 rows of 2+2+2+4 bytes.
    const auto stream = OracleRawStream(Fixture("temporary"), u"!Session");
    ASSERT_TRUE(stream.has_value());
    EXPECT_EQ(stream->size(), 30u);
    // A table of temporary columns only never reaches the file.
    EXPECT_FALSE(Contains(OracleTableNames(Fixture("temporary")), u"Scratchpad"));
    EXPECT_FALSE(OracleRawStream(Fixture("temporary"), u"!Scratchpad").has_value());
}

OracleBytes Pattern(std::string_view name, size_t size) {
    unsigned seed = 0;
    for (char c : name) {
        seed += static_cast<unsigned char>(c);
    }
    OracleBytes bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>((seed + i * 7 + (i >> 8)) & 0xFF);
    }
    return bytes;
}

TEST(OracleStreams, ExtraAndBinaryStreamsHoldTheirData) {
    const auto streams = ByKey(Query("streams", u"SELECT `Name`, `Data` FROM `_Streams`"));
    const std::map<std::string, size_t> expected{{"Empty", 0},
                                                 {"Small", 100},
                                                 {"Large", 10000},
                                                 {"Binary.Icon", 700},
                                                 {"Binary.Blob", 5000}};
    for (const auto& [name, size] : expected) {
        const auto key = ToUtf16(name);
        ASSERT_TRUE(streams.contains(key)) << name;
        const auto dot = name.find('.');
        const auto seedName = dot == std::string::npos ? name : name.substr(dot + 1);
        const OracleCell& data = streams.at(key)[1];
        const OracleBytes bytes =
            IsNull(data) ? OracleBytes{} : std::get<OracleBytes>(data); // libmsi: empty = null
        EXPECT_EQ(bytes, Pattern(seedName, size)) << name;
        EXPECT_EQ(OracleRawStream(Fixture("streams"), key), bytes) << name;
    }

    const auto binary = Query("streams", u"SELECT `Name`, `Data` FROM `Binary`");
    EXPECT_EQ(Types(binary), (std::vector<std::u16string>{u"s72", u"v0"}));
    const auto rows = ByKey(binary);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(std::get<OracleBytes>(rows.at(u"Blob")[1]), Pattern("Blob", 5000));
    EXPECT_EQ(std::get<OracleBytes>(rows.at(u"Icon")[1]), Pattern("Icon", 700));
}

TEST(OracleDirectories, KeepsTheAwkwardForms) {
    const auto rows = ByKey(Query("directories", u"SELECT * FROM `Directory`"));
    ASSERT_EQ(rows.size(), 14u);
    auto parent = [&](std::u16string_view d) { return rows.at(std::u16string(d))[1]; };
    auto defaultDir = [&](std::u16string_view d) { return Text(rows.at(std::u16string(d))[2]); };
    EXPECT_EQ(defaultDir(u"INSTALLDIR"), u"S~1|Long:SRC~1|LongSrc");
    EXPECT_EQ(defaultDir(u"DotDir"), u".");
    EXPECT_EQ(defaultDir(u"DotSrcDir"), u".:Src");
    EXPECT_EQ(defaultDir(u"SplitDir"), u"Sub:SubSrc");
    EXPECT_EQ(defaultDir(u"SourceOnlyDir"), u":Sub");
    EXPECT_EQ(Text(parent(u"SelfRoot")), u"SelfRoot");
    EXPECT_EQ(Text(parent(u"OrphanDir")), u"MissingParent");
    EXPECT_FALSE(rows.contains(u"MissingParent"));
    EXPECT_EQ(Text(parent(u"CycleA")), u"CycleB");
    EXPECT_EQ(Text(parent(u"CycleB")), u"CycleA");
    EXPECT_EQ(Text(parent(u"CaseParentDir")), u"TargetDir");
    EXPECT_TRUE(IsNull(parent(u"TARGETDIR")));

    const auto property =
        Query("directories", u"SELECT `Value` FROM `Property` WHERE `Property` = 'DataRoot'");
    ASSERT_EQ(property.rows.size(), 1u);
    EXPECT_EQ(Text(property.rows[0][0]), u"D:\\Shared\\Data\\");
    EXPECT_EQ(Text(parent(u"DataRoot")), u"TARGETDIR");

    // One component with one file in every folder but TARGETDIR.
    const auto components =
        ByKey(Query("directories", u"SELECT `Component`, `Directory_` FROM `Component`"));
    EXPECT_EQ(components.size(), 13u);
    EXPECT_EQ(Text(components.at(u"C_CycleA")[1]), u"CycleA");
    EXPECT_EQ(RowCount("directories", u"File"), 13u);
}

struct BigShape {
    const char* name;
    size_t files, components, folders;
};

class OracleBig : public testing::TestWithParam<BigShape> {};

TEST_P(OracleBig, HasTheGeneratedShape) {
    const BigShape& shape = GetParam();
    EXPECT_EQ(RowCount(shape.name, u"File"), shape.files);
    EXPECT_EQ(RowCount(shape.name, u"Component"), shape.components);
    EXPECT_EQ(RowCount(shape.name, u"FeatureComponents"), shape.components);
    EXPECT_EQ(RowCount(shape.name, u"Feature"), 10u);
    EXPECT_EQ(RowCount(shape.name, u"Media"), 1u);

    // Folders hang under INSTALLDIR several levels deep.
    const auto dirs = ByKey(Query(shape.name, u"SELECT * FROM `Directory`"));
    ASSERT_EQ(dirs.size(), shape.folders + 3);
    size_t deepest = 0;
    for (const auto& [key, row] : dirs) {
        size_t depth = 0;
        for (auto at = key; at != u"TARGETDIR" && depth <= dirs.size(); ++depth) {
            at = Text(dirs.at(at)[1]);
        }
        deepest = std::max(deepest, depth);
    }
    EXPECT_GE(deepest, 5u);
}

INSTANTIATE_TEST_SUITE_P(Sizes, OracleBig,
                         testing::Values(BigShape{"big5k", 5000, 1000, 300},
                                         BigShape{"big50k", 50000, 10000, 3000}),
                         [](const auto& shape) { return std::string(shape.param.name); });

} // namespace
} // namespace vx::test
