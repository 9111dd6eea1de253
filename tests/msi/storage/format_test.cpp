// The pieces of the installer format below the package: stream names, string pool and code
// pages, table streams, summary information.
#include "platform/msi/storage/code_page.h"
#include "platform/msi/storage/stream_names.h"
#include "platform/msi/storage/string_pool.h"
#include "platform/msi/storage/summary_info.h"
#include "platform/msi/storage/table_stream.h"
#include "tests/msi/storage/package_writer.h"
#include "tests/msi/storage/test_support.h"

#include <gtest/gtest.h>

using namespace vx;
using namespace vx::msi;
using namespace vx::msi::test;

namespace {

// A pool from (length, refs) entries after a header.
std::vector<uint8_t> Pool(uint32_t header, std::initializer_list<std::pair<uint16_t, uint16_t>> e) {
    std::vector<uint8_t> out;
    Append(out, header);
    for (const auto& [length, refs] : e) {
        Append(out, length, 2);
        Append(out, refs, 2);
    }
    return out;
}

} // namespace

TEST(StreamNames, PackTwoCharactersPerUnit) {
    // 'A' is 10 and 'b' is 37: the pair is 0x3800 + 10 + 37 * 64; a single 'A' is 0x4800 + 10.
    EXPECT_EQ(EncodeStreamName(u"Ab", false), std::u16string(1, char16_t{0x3800 + 10 + 37 * 64}));
    EXPECT_EQ(EncodeStreamName(u"A", false), std::u16string(1, char16_t{0x480A}));
    EXPECT_EQ(EncodeStreamName(u"_", true), (std::u16string{0x4840, 0x483F}));
    // Characters outside the 64 break the packing and stay as they are.
    const std::u16string mixed = EncodeStreamName(u"a b-cd", false);
    EXPECT_EQ(mixed, (std::u16string{0x4824, u' ', 0x4825, u'-', char16_t{0x3800 + 38 + 39 * 64}}));
    EXPECT_EQ(DecodeStreamName(mixed).name, u"a b-cd");
}

TEST(StreamNames, DecodeMarksTablesAndKeepsOtherUnits) {
    for (const std::u16string name : {u"_StringPool", u"Binary.WixUI_Bmp_Banner", u"x", u"File",
                                      u"Registry.reg_1.Key9", u"\005SummaryInformation"}) {
        const auto table = DecodeStreamName(EncodeStreamName(name, true));
        EXPECT_TRUE(table.isTable);
        EXPECT_EQ(table.name, name);
        const auto plain = DecodeStreamName(EncodeStreamName(name, false));
        EXPECT_FALSE(plain.isTable);
        EXPECT_EQ(plain.name, name);
    }
    const auto raw = DecodeStreamName(u"\005SummaryInformation");
    EXPECT_FALSE(raw.isTable);
    EXPECT_EQ(raw.name, u"\005SummaryInformation");
    // Packed names fit where plain ones would not: 62 characters in 31 units.
    EXPECT_EQ(EncodeStreamName(std::u16string(62, u'x'), false).size(), 31u);
}

TEST(CodePages, SingleByteCodePagesFollowWindowsTables) {
    const std::vector<uint8_t> bytes{0x41, 0x80, 0x81, 0xC0, 0xE9, 0xFF};
    EXPECT_EQ(CodePageDecoder(1252, u"t").Decode(bytes), u"A\u20AC\u0081\u00C0\u00E9\u00FF");
    EXPECT_EQ(CodePageDecoder(0, u"t").Decode(bytes), CodePageDecoder(1252, u"t").Decode(bytes));
    EXPECT_EQ(CodePageDecoder(1251, u"t").Decode(bytes), u"A\u0402\u0403\u0410\u0439\u044F");
    EXPECT_EQ(CodePageDecoder(1250, u"t").Decode(std::vector<uint8_t>{0x8A, 0xB9}),
              u"\u0160\u0105");
    EXPECT_EQ(CodePageDecoder(874, u"t").Decode(std::vector<uint8_t>{0xA1}), u"\u0E01");
    // 1258 maps one byte to one character even where glibc would compose.
    EXPECT_EQ(CodePageDecoder(1258, u"t").Decode(std::vector<uint8_t>{0x61, 0xEC}), u"a\u0301");
}

TEST(CodePages, MultiByteAndUtf8) {
    EXPECT_EQ(CodePageDecoder(932, u"t").Decode(std::vector<uint8_t>{0x82, 0xA0, 0x41, 0x93, 0xFA}),
              u"\u3042A\u65E5");
    EXPECT_EQ(CodePageDecoder(936, u"t").Decode(std::vector<uint8_t>{0xD6, 0xD0}), u"\u4E2D");
    EXPECT_EQ(CodePageDecoder(949, u"t").Decode(std::vector<uint8_t>{0xC7, 0xD1}), u"\uD55C");
    EXPECT_EQ(CodePageDecoder(950, u"t").Decode(std::vector<uint8_t>{0xA4, 0xA4}), u"\u4E2D");
    // A lead byte with nothing after it becomes U+FFFD; the text around it survives.
    EXPECT_EQ(CodePageDecoder(932, u"t").Decode(std::vector<uint8_t>{0x41, 0x82}), u"A\uFFFD");
    EXPECT_EQ(CodePageDecoder(65001, u"t").Decode(Bytes("\xE2\x82\xAC\xFF")), u"\u20AC\uFFFD");
    ExpectDamaged([] { CodePageDecoder d(1234, u"the string pool"); },
                  "the string pool uses code page 1234, which is not supported");
}

TEST(StringPool, IdsFollowEntriesNotSlots) {
    // Header: code page 1252. Strings "ab", an unused id, "", then a long string, then "c".
    std::vector<uint8_t> pool = Pool(1252, {{2, 1}, {0, 0}, {0, 1}, {0x0004, 3}, {1, 2}});
    std::vector<uint8_t> data = Bytes("ab");
    data.resize(2 + 0x10004, 'x');
    data.push_back('c');
    const StringPool parsed = ParseStringPool(pool, data);
    EXPECT_EQ(parsed.codePage, 1252u);
    EXPECT_FALSE(parsed.longReferences);
    ASSERT_EQ(parsed.Count(), 5u); // id 0, "ab", unused, long, "c"
    EXPECT_EQ(parsed.Get(1), u"ab");
    EXPECT_EQ(parsed.Get(2), u"");
    EXPECT_EQ(parsed.Get(3).size(), 0x10004u);
    EXPECT_EQ(parsed.Get(4), u"c");
}

TEST(StringPool, HeaderCarriesCodePageAndReferenceWidth) {
    const StringPool parsed = ParseStringPool(Pool(0x80000000u | 1251, {{1, 1}}), Bytes("\xC0"));
    EXPECT_EQ(parsed.codePage, 1251u);
    EXPECT_TRUE(parsed.longReferences);
    EXPECT_EQ(parsed.Get(1), u"\u0410");
    const StringPool utf8 = ParseStringPool(Pool(65001, {{3, 1}}), Bytes("\xE2\x82\xAC"));
    EXPECT_EQ(utf8.Get(1), u"\u20AC");
    const StringPool empty = ParseStringPool({}, {});
    EXPECT_EQ(empty.Count(), 1u);
}

TEST(StringPool, DisagreementWithTheDataIsAnError) {
    auto odd = Pool(0, {{1, 1}});
    odd.pop_back();
    const std::tuple<std::vector<uint8_t>, std::string, const char*> cases[] = {
        {Pool(0, {{3, 1}}), "ab", "string 1 needs bytes 0 to 3, but the string data holds only 2"},
        {Pool(0, {{2, 1}}), "abc",
         "accounts for 2 bytes of string data, but the string data holds 3"},
        {Pool(0, {{1, 1}, {0, 7}}), "a", "ends inside the two entries of long string 2"},
        {odd, "a", "not a whole number"},
        {Pool(4321, {}), "", "code page 4321"},
        // A long-string length far beyond the data is refused, not allocated.
        {Pool(0, {{0, 0xFFFF}, {0xFFFF, 1}}), "a", "needs bytes 0 to 4294967295"},
    };
    for (const auto& [pool, data, fragment] : cases) {
        ExpectDamaged([&] { ParseStringPool(pool, Bytes(data)); }, fragment);
    }
}

TEST(TableStream, DecodesColumnsOfEveryWidth) {
    const TableInfo table{u"T",
                          {{u"S", kColumnValid | kColumnShort | kColumnString | kColumnKey | 72, 1},
                           {u"I2", kColumnValid | kColumnNullable | 2, 2},
                           {u"I4", kColumnValid | kColumnNullable | 4, 3},
                           {u"Tmp", kColumnValid | kColumnTemporary | 4, 4},
                           {u"V", kColumnValid | kColumnString | kColumnNullable, 5}},
                          true};
    // Two rows, stored column by column; 2-byte string references.
    const std::vector<uint8_t> stream{0x05, 0x00, 0x06, 0x00,  // S: ids 5, 6
                                      0x07, 0x80, 0x00, 0x00,  // I2: 7, null
                                      0x00, 0x00, 0x00, 0x00,  // I4: null, ...
                                      0xFF, 0xFF, 0xFF, 0x7F,  //     -1
                                      0x01, 0x00, 0x00, 0x00}; // V: stream, null
    const TableData rows = DecodeTableStream(table, stream, false);
    ASSERT_EQ(rows.rowCount, 2u);
    ASSERT_EQ(rows.width, 5u);
    EXPECT_EQ(rows.Raw(0, 0), 5u);
    EXPECT_EQ(rows.Raw(1, 0), 6u);
    EXPECT_EQ(rows.Integer(0, 1), 7);
    EXPECT_TRUE(rows.IsNull(1, 1));
    EXPECT_TRUE(rows.IsNull(0, 2));
    EXPECT_EQ(rows.Integer(1, 2), -1);
    EXPECT_TRUE(rows.IsNull(0, 3)); // temporary: never stored
    EXPECT_FALSE(rows.IsNull(0, 4));
    EXPECT_TRUE(rows.IsNull(1, 4));

    // 3-byte references make the row 13 bytes; extremes of the integer biases.
    const TableInfo wide{u"W",
                         {{u"S", kColumnValid | kColumnShort | kColumnString | 0, 1},
                          {u"A", kColumnValid | 2, 2},
                          {u"B", kColumnValid | 4, 3}},
                         true};
    const std::vector<uint8_t> wideStream{0x01, 0x00, 0x01, 0x01, 0x80, 0xFF, 0xFF,
                                          0x01, 0x00, 0x00, 0x00, 0xFF, 0xFF};
    // Row width 3 + 2 + 4 = 9 bytes (an "s0" text column is no binary one, though both have
    // width 0); 13 bytes is not a whole number of rows.
    ExpectDamaged([&] { DecodeTableStream(wide, wideStream, true); },
                  "holds 13 bytes, not a whole number of 9-byte rows");
    const std::vector<uint8_t> one{0x01, 0x00, 0x01, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00};
    const TableData r = DecodeTableStream(wide, one, true);
    EXPECT_EQ(r.Raw(0, 0), 0x010001u);
    EXPECT_EQ(r.Integer(0, 1), -32767);
    EXPECT_EQ(r.Integer(0, 2), -2147483647);
    EXPECT_EQ(StoredCellBytes(table.columns[3], true), 0u);
    EXPECT_EQ(StoredCellBytes(table.columns[4], true), 2u); // binary stays 2 with long refs
}

TEST(SummaryInformation, ReadsEveryTypeInItsCodePage) {
    const auto stream = WriteSummary({{1, int16_t{1251}},
                                      {2, std::string("\xCF\xF0\xE8\xE2\xE5\xF2")},
                                      {9, std::string("{PACKAGE}")},
                                      {12, uint64_t{0x01D28A0A7D150000}},
                                      {14, int32_t{200}},
                                      {15, int16_t{-2}}});
    const auto values = ParseSummaryInformation(stream);
    EXPECT_EQ(std::get<int32_t>(values.at(1)), 1251);
    EXPECT_EQ(std::get<std::u16string>(values.at(2)), u"\u041F\u0440\u0438\u0432\u0435\u0442");
    EXPECT_EQ(std::get<std::u16string>(values.at(9)), u"{PACKAGE}");
    EXPECT_EQ(std::get<FileTime>(values.at(12)).value, 0x01D28A0A7D150000u);
    EXPECT_EQ(std::get<int32_t>(values.at(14)), 200);
    EXPECT_EQ(std::get<int32_t>(values.at(15)), -2);
    // Code page 65001 is stored as a negative 16-bit value; it still reads as 65001.
    const auto utf8 = ParseSummaryInformation(
        WriteSummary({{1, static_cast<int16_t>(-535)}, {3, std::string("\xE2\x82\xAC")}}));
    EXPECT_EQ(std::get<int32_t>(utf8.at(1)), 65001);
    EXPECT_EQ(std::get<std::u16string>(utf8.at(3)), u"\u20AC");
}

TEST(SummaryInformation, DamageIsBoundsChecked) {
    const auto good = WriteSummary({{2, std::string("Title")}, {14, int32_t{200}}});
    // Every truncation fails cleanly.
    for (size_t size = 0; size < good.size(); ++size) {
        try {
            (void)ParseSummaryInformation(std::span(good).first(size));
        } catch (const MsiFailure& failure) {
            EXPECT_EQ(failure.code, ERROR_INSTALL_PACKAGE_INVALID);
        }
    }
    const auto with = [&](size_t at, uint32_t value) {
        auto bytes = good;
        Put(bytes, at, value);
        return bytes;
    };
    const std::pair<std::vector<uint8_t>, const char*> cases[] = {
        {std::vector<uint8_t>(good.begin(), good.begin() + 40), "cut short"},
        {with(48 + 8 + 16 + 4, 0x7FFFFFFF), "VT_LPSTR"}, // the string's length
        {with(48 + 4, 0x40000000), "property index"},    // the property count
        {with(48 + 8 + 4, 0xFFFFFF00), "cut short"},     // the first property's offset
        {WriteSummary({{1, int16_t{777}}, {2, std::string("x")}}), "code page 777"},
    };
    for (const auto& [bytes, fragment] : cases) {
        ExpectDamaged([&] { ParseSummaryInformation(bytes); }, fragment);
    }
}

TEST(StringPool, FindAnswersTheLowestIdAndGrowsWithAppends) {
    StringPool pool;
    const uint32_t a = pool.Append(u"alpha");
    const uint32_t empty = pool.Append(u"");
    const uint32_t again = pool.Append(u"alpha");
    EXPECT_EQ(pool.Find(u"alpha"), a);
    EXPECT_NE(again, a);
    EXPECT_EQ(pool.Get(again), u"alpha");
    EXPECT_EQ(pool.Find(u""), 0u); // the empty text is the null string
    EXPECT_EQ(pool.Get(empty), u"");
    EXPECT_EQ(pool.Find(u"alph"), 0u);
    // Enough appends to rehash several times; every text stays findable.
    for (int i = 0; i < 5000; ++i) {
        pool.Append(u"s" + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) +
                    std::u16string(static_cast<size_t>(i / 26) + 1, u'x'));
    }
    EXPECT_EQ(pool.Find(u"alpha"), a);
    EXPECT_EQ(pool.Get(pool.Find(u"sCxxx")), u"sCxxx");
    EXPECT_EQ(pool.Count(), 5004u);
}
