// The installer database over packages written in the test: catalogue, rows and cells, system
// tables, streams, code pages, and damage of every part.

#include "platform/msi/storage/installer_storage.h"
#include "platform/msi/storage/stream_names.h"
#include "support/scratch_folder.h"
#include "support/test_paths.h"
#include "tests/msi/storage/package_writer.h"
#include "tests/msi/storage/test_support.h"

#include <gtest/gtest.h>

#include <random>

using namespace vx;
using namespace vx::msi;
using namespace vx::msi::test;

namespace {

constexpr uint16_t kS72Key = kText | kColumnKey | 72;
constexpr uint16_t kL0 = kText | kColumnLocalizable | kColumnNullable;
constexpr uint16_t kI2Key = kInteger | kColumnKey | 2;
constexpr uint16_t kI4 = kInteger | 4;

void ReadEverything(const InstallerStorage& storage) {
    for (const TableInfo& table : storage.Tables()) {
        const TableData& rows = storage.Rows(table);
        for (uint32_t r = 0; r < rows.rowCount; ++r) {
            for (uint32_t c = 0; c < rows.width; ++c) {
                if (table.columns[c].IsString()) {
                    (void)storage.String(rows.Raw(r, c));
                }
            }
        }
    }
    for (std::u16string_view system : {u"_Tables", u"_Columns", u"_Streams"}) {
        (void)storage.Rows(*storage.FindTable(system));
    }
    for (const auto& name : storage.StreamNames()) {
        (void)storage.ReadStream(name);
    }
    (void)storage.Summary();
}

PackagePlan SamplePackage() {
    PackagePlan plan;
    plan.tables.push_back({u"Property",
                           {{u"Property", kS72Key, 0}, {u"Value", kL0, 0}},
                           {{u"ProductName", u"Sample"}, {u"Empty", Cell{}}}});
    plan.tables.push_back(
        {u"Icon",
         {{u"Name", kS72Key, 0},
          {u"Index", kI2Key, 0},
          {u"Data", kBinary | kColumnNullable, 0},
          {u"Size", kI4, 0},
          {u"Scratch", kColumnValid | kColumnTemporary | kColumnNullable | 4, 0}},
         {{u"app.ico", 7, u"x", -5, Cell{}}, {u"none", -2, Cell{}, 70000, Cell{}}}});
    plan.tables.push_back({u"Memory", {{u"Only", kText | kColumnTemporary | 72, 0}}, {}});
    plan.streams.push_back({u"Icon.app.ico.7", Bytes("ICONDATA")});
    plan.streams.push_back({u"sample.cab", std::vector<uint8_t>(5000, 0x4D)});
    plan.streams.push_back({u"Property", Bytes("a stream named like a table")});
    plan.summary = WriteSummary({{1, int16_t{1252}}, {2, std::string("Installation Database")}});
    return plan;
}

} // namespace

TEST(InstallerStorage, ReadsCatalogueRowsAndCells) {
    for (bool longRefs : {false, true}) {
        for (unsigned version : {3u, 4u}) {
            PackagePlan plan = SamplePackage();
            plan.longStringReferences = longRefs;
            plan.majorVersion = version;
            const auto bytes = WritePackage(plan);
            const auto storage = OpenInstallerStorage(bytes);
            EXPECT_EQ(storage->LongStringReferences(), longRefs);
            ASSERT_EQ(storage->Tables().size(), 3u);
            EXPECT_EQ(storage->Tables()[1].name, u"Icon");
            EXPECT_TRUE(storage->Tables()[1].persistent);
            EXPECT_FALSE(storage->FindTable(u"Memory")->persistent);
            EXPECT_EQ(storage->Rows(*storage->FindTable(u"Memory")).rowCount, 0u);
            EXPECT_EQ(storage->FindTable(u"icon"), nullptr);

            const TableInfo& icon = *storage->FindTable(u"Icon");
            ASSERT_EQ(icon.columns.size(), 5u);
            EXPECT_EQ(icon.columns[2].name, u"Data");
            EXPECT_TRUE(icon.columns[2].IsBinary());
            EXPECT_EQ(icon.columns[4].number, 5);
            const TableData& rows = storage->Rows(icon);
            ASSERT_EQ(rows.rowCount, 2u);
            EXPECT_EQ(&rows, &storage->Rows(icon)); // decoded once, kept
            EXPECT_EQ(storage->String(rows.Raw(0, 0)), u"app.ico");
            EXPECT_EQ(rows.Integer(0, 1), 7);
            EXPECT_EQ(rows.Integer(1, 1), -2);
            EXPECT_EQ(rows.Integer(0, 3), -5);
            EXPECT_EQ(rows.Integer(1, 3), 70000);
            EXPECT_TRUE(rows.IsNull(0, 4));
            EXPECT_FALSE(rows.IsNull(0, 2));
            EXPECT_TRUE(rows.IsNull(1, 2));
            EXPECT_EQ(storage->CellStreamName(icon, rows, 0), u"Icon.app.ico.7");
            EXPECT_EQ(storage->CellStreamName(icon, rows, 1), u"Icon.none.-2");
            EXPECT_EQ(storage->ReadStream(storage->CellStreamName(icon, rows, 0)),
                      Bytes("ICONDATA"));

            const TableInfo& property = *storage->FindTable(u"Property");
            const TableData& props = storage->Rows(property);
            EXPECT_EQ(storage->String(props.Raw(0, 1)), u"Sample");
            EXPECT_EQ(props.Raw(1, 1), 0u);
            EXPECT_EQ(storage->FindString(u"Sample"), props.Raw(0, 1));
            EXPECT_EQ(storage->FindString(u"absent"), 0u);
            EXPECT_EQ(storage->FindString(u""), 0u);
            EXPECT_EQ(storage->String(storage->StringCount() + 10), u"");
            EXPECT_EQ(std::get<std::u16string>(storage->Summary().at(2)), u"Installation Database");
        }
    }
}

// The system tables of real packages are compared with libmsi's in the differential tests.
TEST(InstallerStorage, SystemTablesReadAsTables) {
    const auto bytes = WritePackage(SamplePackage());
    const auto storage = OpenInstallerStorage(bytes);
    EXPECT_EQ(storage->Rows(*storage->FindTable(u"_Tables")).rowCount, 3u);
    EXPECT_EQ(storage->Rows(*storage->FindTable(u"_Columns")).rowCount, 8u);
    // _Streams: every stream that is no table, in directory order, the summary included; a
    // stream named like a table is still a stream.
    const std::vector<std::u16string> expected{u"Property", u"sample.cab", u"Icon.app.ico.7",
                                               u"\005SummaryInformation"};
    EXPECT_EQ(storage->StreamNames(), expected);
    const TableInfo* streams = storage->FindTable(u"_Streams");
    EXPECT_EQ(streams->columns[0].type & ~kColumnKey, kText | 62);
    EXPECT_TRUE(streams->columns[1].IsBinary());
    const TableData& s = storage->Rows(*streams);
    ASSERT_EQ(s.rowCount, expected.size());
    for (uint32_t r = 0; r < s.rowCount; ++r) {
        EXPECT_EQ(storage->String(s.Raw(r, 0)), expected[r]);
        EXPECT_EQ(storage->FindString(expected[r]), s.Raw(r, 0));
        EXPECT_NE(s.Raw(r, 1), 0u);
    }
    // "Property" is in the pool already; "sample.cab" is not and gets an id after the pool's.
    EXPECT_EQ(s.Raw(0, 0), storage->FindString(u"Property"));
    EXPECT_EQ(s.Raw(1, 0), storage->StringCount() - 3);
    EXPECT_EQ(storage->ReadStream(u"Property"), Bytes("a stream named like a table"));
    EXPECT_FALSE(storage->ReadStream(u"Icon").has_value()); // tables are not streams
    EXPECT_FALSE(storage->ReadStream(u"_StringPool").has_value());
    EXPECT_FALSE(storage->ReadStream(u"\x4840Icon").has_value()); // not even by its mark
}

TEST(InstallerStorage, StringsUseTheDatabaseCodePage) {
    PackagePlan plan = SamplePackage();
    plan.codePage = 1251;
    plan.tables[0].rows.push_back({u"Cyrillic", std::u16string(u"\u00CF\u00F0\u00E8")});
    const auto bytes = WritePackage(plan);
    const auto storage = OpenInstallerStorage(bytes);
    EXPECT_EQ(storage->CodePage(), 1251u);
    EXPECT_NE(storage->FindString(u"\u041F\u0440\u0438"), 0u);

    PackagePlan utf8 = SamplePackage();
    utf8.codePage = 65001;
    utf8.tables[0].rows.push_back({u"Euro", std::u16string(u"\u20AC\u4E2D")});
    const auto utf8Bytes = WritePackage(utf8);
    EXPECT_NE(OpenInstallerStorage(utf8Bytes)->FindString(u"\u20AC\u4E2D"), 0u);

    // The lowest id answers for a text the pool holds twice.
    auto streams = InstallerStreams(SamplePackage());
    std::vector<uint8_t> pool{0, 0, 0, 0, 3, 0, 1, 0, 3, 0, 1, 0, 1, 0, 1, 0};
    streams[StreamIndex(streams, EncodeStreamName(u"_StringPool", true))].data = pool;
    streams[StreamIndex(streams, EncodeStreamName(u"_StringData", true))].data = Bytes("dupdupx");
    streams[StreamIndex(streams, EncodeStreamName(u"_Tables", true))].data.clear();
    streams[StreamIndex(streams, EncodeStreamName(u"_Columns", true))].data.clear();
    const auto dupBytes = WriteCompoundFile(streams);
    const auto dup = OpenInstallerStorage(dupBytes);
    EXPECT_EQ(dup->FindString(u"dup"), 1u);
    EXPECT_EQ(dup->String(2), u"dup");
    EXPECT_EQ(dup->FindString(u"x"), 3u);
    EXPECT_TRUE(dup->Tables().empty());
}

TEST(InstallerStorage, DamagedDatabasesFailClearly) {
    const auto good = InstallerStreams(SamplePackage());
    const auto with = [&](std::u16string_view table, auto change) {
        auto streams = good;
        change(streams[StreamIndex(streams, EncodeStreamName(table, true))].data);
        return WriteCompoundFile(streams);
    };
    // The pool and the data disagree.
    const auto longer = with(u"_StringData", [](auto& d) { d.push_back('z'); });
    ExpectDamaged([&] { OpenInstallerStorage(longer); }, "but the string data holds");
    const auto shorter = with(u"_StringData", [](auto& d) { d.pop_back(); });
    ExpectDamaged([&] { OpenInstallerStorage(shorter); }, "needs bytes");
    // An unknown code page is named.
    const auto codePage = with(u"_StringPool", [](auto& d) { Put(d, 0, 1234); });
    ExpectDamaged([&] { OpenInstallerStorage(codePage); }, "code page 1234");
    // A table stream that is not a whole number of rows fails when the table is read.
    const auto partial = with(u"Icon", [](auto& d) { d.push_back(0); });
    const auto storage = OpenInstallerStorage(partial);
    ExpectDamaged([&] { storage->Rows(*storage->FindTable(u"Icon")); },
                  "the stream of table 'Icon' holds 21 bytes, not a whole number of 10-byte rows");
    EXPECT_EQ(storage->Rows(*storage->FindTable(u"Property")).rowCount, 2u);
    // A catalogue with a gap in a table's column numbers. The Number column follows the 8
    // rows of Table references.
    const auto gap = with(u"_Columns", [](auto& d) { d[16 + 2 * 2] = 9; });
    ExpectDamaged([&] { OpenInstallerStorage(gap); }, "columns of table 'Icon' are numbered");
    const auto broken = with(u"_Columns", [](auto& d) { d.pop_back(); });
    ExpectDamaged([&] { OpenInstallerStorage(broken); }, "table '_Columns'");
    // A compound file that is not an installer database: another class, or no string pool.
    const auto other = WriteCompoundFile({{u"WordDocument", Bytes("text")}}, 3, nullptr, false);
    ExpectDamaged([&] { OpenInstallerStorage(other); }, "has another class");
    const auto noPool = WriteCompoundFile({{u"WordDocument", Bytes("text")}});
    ExpectDamaged([&] { OpenInstallerStorage(noPool); }, "it has no string pool");
    // Asking for a table the catalogue does not have.
    const TableInfo unknown{u"Nope", {}, true};
    ExpectFailure([&] { storage->Rows(unknown); }, ERROR_INVALID_TABLE, "Nope");
}

TEST(InstallerStorage, OpenFailuresAnswerWin32Codes) {
    vx::testing::ScratchFolder dir;
    ExpectFailure([&] { OpenInstallerStorage(dir.Wide("missing.msi")); }, ERROR_FILE_NOT_FOUND,
                  "missing.msi");
    ExpectFailure([&] { OpenInstallerStorage(dir.Wide("")); }, ERROR_OPEN_FAILED, "not a file");
    dir.Write("empty.msi", "");
    ExpectDamaged([&] { OpenInstallerStorage(dir.Wide("empty.msi")); }, "not a compound file");
    // A package written to disk opens from its path and reads as from memory.
    const auto bytes = WritePackage(SamplePackage());
    vx::testing::WriteBytes(dir.Path("sample.msi"), bytes);
    const auto storage = OpenInstallerStorage(dir.Wide("sample.msi"));
    EXPECT_EQ(storage->ReadStream(u"sample.cab")->size(), 5000u);
    EXPECT_EQ(vx::testing::FileBytes(dir.Path("sample.msi")), bytes);
}

TEST(InstallerStorage, RandomDamageNeverCrashes) {
    const auto good = WritePackage(SamplePackage());
    std::mt19937 random(20240611);
    for (int round = 0; round < 1500; ++round) {
        auto bytes = good;
        const int flips = 1 + static_cast<int>(random() % 8);
        for (int k = 0; k < flips; ++k) {
            bytes[random() % bytes.size()] = static_cast<uint8_t>(random());
        }
        if (round % 5 == 0) {
            bytes.resize(random() % bytes.size());
        }
        try {
            const auto storage = OpenInstallerStorage(bytes);
            for (const TableInfo& table : storage->Tables()) {
                try {
                    (void)storage->Rows(table);
                } catch (const MsiFailure&) {
                }
            }
            ReadEverything(*storage);
        } catch (const MsiFailure& failure) {
            EXPECT_FALSE(failure.detail.empty());
        }
    }
}
