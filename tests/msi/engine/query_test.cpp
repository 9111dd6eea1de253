// The query engine over a package written in the test: each WHERE and ORDER BY rule, parameters,
// the compiled-query cache, stream cells and the failures.

#include "platform/msi/engine/view.h"
#include "platform/msi/msi_failure.h"
#include "platform/sys/wide_string.h"
#include "tests/msi/storage/package_writer.h"

#include <gtest/gtest.h>

using namespace vx;
using namespace vx::msi;
using namespace vx::msi::test;

namespace {

class QueryTest : public ::testing::Test {
protected:
    QueryTest() {
        PackagePlan plan;
        // Pooled in this order, so that pool order (ORDER BY's) differs from alphabetical order.
        plan.strings = {u"zeta", u"beta", u"alpha"};
        plan.tables.push_back({u"File",
                               {{u"File", kText | kColumnKey | 72, 0},
                                {u"Component_", kText | 72, 0},
                                {u"FileSize", kInteger | 4, 0},
                                {u"Version", kText | kColumnNullable | 72, 0},
                                {u"Attributes", kInteger | kColumnNullable | 2, 0},
                                {u"Sequence", kInteger | 2, 0}},
                               {{u"f1", u"zeta", 100, u"1.0", Cell{}, 3},
                                {u"f2", u"alpha", -5, Cell{}, 512, 1},
                                {u"f3", u"beta", 0, u"", 0, 2},
                                {u"f4", u"alpha", 2147483647, u"2.0", -1, 4}}});
        plan.tables.push_back({u"Binary",
                               {{u"Name", kText | kColumnKey | 72, 0}, {u"Data", kBinary, 0}},
                               {{u"Icon", 1}, {u"None", Cell{}}}});
        plan.streams.push_back({u"Binary.Icon", {1, 2, 3, 4, 5}});
        m_bytes = WritePackage(plan);
        m_db = std::make_shared<Database>(u"/pkg/test.msi", OpenInstallerStorage(m_bytes));
    }

    // Runs a query and answers column 1 of every row (the key), joined by commas.
    std::string Keys(std::u16string_view query, const Record* params = nullptr) {
        View view(m_db, query);
        view.Execute(params);
        std::string out;
        while (auto row = view.Fetch()) {
            out += (out.empty() ? "" : ",") + Utf16ToUtf8(row->Text(1));
        }
        return out;
    }

    MsiFailure FailureOf(std::u16string_view query) {
        try {
            View view(m_db, query);
            view.Execute(nullptr);
        } catch (const MsiFailure& f) {
            return f;
        }
        ADD_FAILURE() << "no failure for " << Utf16ToUtf8(query);
        return {};
    }

    std::vector<uint8_t> m_bytes;
    std::shared_ptr<Database> m_db;
};

} // namespace

TEST_F(QueryTest, SelectsColumnsInTheOrderWritten) {
    View view(m_db, u"select `Sequence`, File.File, Version FROM `File` WHERE File = 'f2'");
    ASSERT_EQ(view.Columns().size(), 3u);
    EXPECT_EQ(view.Columns()[0].name, u"Sequence");
    EXPECT_EQ(View::ColumnTypeText(view.Columns()[0]), u"i2");
    EXPECT_EQ(View::ColumnTypeText(view.Columns()[1]), u"s72");
    EXPECT_EQ(View::ColumnTypeText(view.Columns()[2]), u"S72");
    view.Execute(nullptr);
    auto row = view.Fetch();
    ASSERT_TRUE(row);
    EXPECT_EQ(row->Integer(1), 1);
    EXPECT_EQ(row->Text(2), u"f2");
    EXPECT_TRUE(row->IsNull(3));
    EXPECT_FALSE(view.Fetch());
    EXPECT_FALSE(view.Fetch()); // the end stays the end
}

// The WHERE forms are compared with libmsi's answers in the differential tests; ORDER BY needs
// a pool whose order is not alphabetical, and libmsi refuses a value left of its column.
TEST_F(QueryTest, OrderByPoolOrderAndMirroredComparisons) {
    // ORDER BY puts null first and strings in pool order (zeta, beta, alpha).
    const std::pair<const char16_t*, const char*> orders[] = {
        {u"ORDER BY FileSize", "f2,f3,f1,f4"},
        {u"ORDER BY Attributes", "f1,f4,f3,f2"},
        {u"ORDER BY Component_", "f1,f3,f2,f4"},
        {u"ORDER BY Component_, Sequence", "f1,f3,f2,f4"},
        {u"WHERE Sequence > 1 ORDER BY `Version`", "f3,f1,f4"},
        {u"WHERE Component_ = 'alpha'", "f2,f4"}, // every row of a repeated value, in table order
        {u"WHERE 0 < FileSize", "f1,f4"},
    };
    for (const auto& [order, keys] : orders) {
        EXPECT_EQ(Keys(u"SELECT * FROM File " + std::u16string(order)), keys) << Utf16ToUtf8(order);
    }
}

TEST_F(QueryTest, ParametersBindByPositionAndConvertToTheColumnType) {
    Record params(3);
    params.Field(1) = std::u16string(u"alpha");
    params.Field(2) = std::u16string(u"0"); // text for an integer column
    EXPECT_EQ(Keys(u"SELECT * FROM File WHERE Component_ = ? AND FileSize > ?", &params), "f4");
    params.Field(2) = std::monostate{}; // null: below every value
    EXPECT_EQ(Keys(u"SELECT * FROM File WHERE Component_ = ? AND FileSize > ?", &params), "f2,f4");
    EXPECT_EQ(Keys(u"SELECT * FROM File WHERE Component_ = ? AND Attributes = ?", &params), "");
    Record one(1);
    one.Field(1) = 3;
    EXPECT_EQ(Keys(u"SELECT * FROM File WHERE Sequence = ?", &one), "f1");
    EXPECT_EQ(Keys(u"SELECT * FROM File WHERE Version = ?", nullptr), "f2,f3"); // unbound = null
    // The same view executed again with other values.
    View view(m_db, u"SELECT File FROM File WHERE File = ?");
    for (const char16_t* key : {u"f1", u"f4", u"f9", u"f2"}) {
        Record p(1);
        p.Field(1) = std::u16string(key);
        view.Execute(&p);
        auto row = view.Fetch();
        EXPECT_EQ(row ? row->Text(1) : u"f9", key);
    }
}

TEST_F(QueryTest, CompiledQueriesAreFoundByTheirWholeText) {
    // Texts of the same length that differ in one character, alternating as lookups do.
    for (int round = 0; round < 3; ++round) {
        for (const char* key : {"f1", "f2", "f3"}) {
            EXPECT_EQ(Keys(u"SELECT * FROM File WHERE File = '" + Utf8ToUtf16(key) + u"'"), key);
        }
    }
    // More texts than the cache keeps: it is emptied on the way, and old texts still run.
    for (int bound = -10; bound < 590; ++bound) {
        const std::u16string query =
            u"SELECT * FROM File WHERE FileSize > " + Utf8ToUtf16(std::to_string(bound));
        std::string expected = bound < 100 ? "f1," : "";
        expected += bound < -5 ? "f2," : "";
        expected += bound < 0 ? "f3," : "";
        EXPECT_EQ(Keys(query), expected + "f4") << bound;
    }
    EXPECT_EQ(Keys(u"SELECT * FROM File WHERE File = 'f2'"), "f2");
}

TEST_F(QueryTest, BinaryCellsComeBackAsTheirStreams) {
    View view(m_db, u"SELECT Data, Name FROM Binary");
    EXPECT_EQ(View::ColumnTypeText(view.Columns()[0]), u"v0");
    view.Execute(nullptr);
    auto icon = view.Fetch();
    ASSERT_TRUE(icon);
    auto* box = std::get_if<StreamBox>(&icon->Field(1));
    ASSERT_NE(box, nullptr);
    StreamField* stream = box->operator->();
    EXPECT_EQ(stream->name, u"Binary.Icon");
    EXPECT_FALSE(stream->bytes); // read only when asked for
    EXPECT_EQ(stream->Bytes(), (std::vector<uint8_t>{1, 2, 3, 4, 5}));
    auto none = view.Fetch();
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->IsNull(1));
}

TEST_F(QueryTest, FailuresCarryTheInstallersErrorAndFields) {
    MsiFailure f = FailureOf(u"SELECT * FROM Missing");
    EXPECT_EQ(f.code, ERROR_BAD_QUERY_SYNTAX);
    EXPECT_EQ(f.installerError, 2228u);
    EXPECT_EQ(f.fields, (std::vector<std::u16string>{u"/pkg/test.msi", u"Missing",
                                                     u"SELECT * FROM Missing"}));
    // Unknown columns and identifiers in another case: 2235.
    for (const char16_t* query :
         {u"SELECT Nope FROM File", u"SELECT * FROM File WHERE file = 'f1'"}) {
        f = FailureOf(query);
        EXPECT_EQ(f.code, ERROR_BAD_QUERY_SYNTAX);
        EXPECT_EQ(f.installerError, 2235u) << Utf16ToUtf8(query);
    }
    EXPECT_EQ(FailureOf(u"SELECT Nope FROM File").fields[1], u"Nope");
    EXPECT_EQ(FailureOf(u"SELECT * FROM File WHERE Other.File = 'f1'").code,
              ERROR_BAD_QUERY_SYNTAX);
}

TEST_F(QueryTest, AnythingOutsideTheSubsetIsASyntaxError) {
    std::u16string many = u"SELECT * FROM File WHERE Sequence = 1";
    for (int i = 1; i < 32; ++i) {
        many += u" OR Sequence = 1";
    }
    EXPECT_EQ(Keys(many), "f2"); // 32 comparisons are allowed, 33 are not
    const std::u16string bad[] = {
        many + u" OR Sequence = 1",
        u"SELECT * FROM File WHERE " + std::u16string(40, u'(') + u"Sequence = 1" +
            std::u16string(40, u')'),
        u"DELETE FROM File",
        u"SELECT DISTINCT File FROM File",
        u"SELECT * FROM File, Binary",
        u"SELECT * FROM File WHERE",
        u"SELECT * FROM File WHERE File = 'unterminated",
        u"SELECT * FROM File WHERE 1 = 1",
        u"SELECT * FROM File WHERE (File = 'f1'",
        u"SELECT * FROM File ORDER File",
        u"SELECT * FROM File WHERE File == 'f1'",
        u"SELECT * FROM File WHERE Sequence = 99999999999",
        u"SELECT * FROM File extra",
        u"SELECT FROM File",
        u"",
    };
    for (const auto& query : bad) {
        EXPECT_EQ(FailureOf(query).code, ERROR_BAD_QUERY_SYNTAX) << Utf16ToUtf8(query);
    }
}

TEST_F(QueryTest, ViewsSharingACompiledQueryKeepTheirOwnState) {
    View early(m_db, u"SELECT * FROM File");
    EXPECT_THROW(early.Fetch(), MsiFailure); // before Execute
    early.Execute(nullptr);
    EXPECT_TRUE(early.Fetch());
    early.Close();
    EXPECT_THROW(early.Fetch(), MsiFailure); // after Close

    const char16_t* query = u"SELECT File FROM File WHERE Component_ = ? ORDER BY File";
    View first(m_db, query);
    View second(m_db, query); // compiled once, run twice
    Record alpha(1);
    alpha.Field(1) = std::u16string(u"alpha");
    Record zeta(1);
    zeta.Field(1) = std::u16string(u"zeta");
    first.Execute(&alpha);
    second.Execute(&zeta);
    EXPECT_EQ(first.Fetch()->Text(1), u"f2");
    EXPECT_EQ(second.Fetch()->Text(1), u"f1");
    EXPECT_EQ(first.Fetch()->Text(1), u"f4");
    EXPECT_FALSE(second.Fetch());
    EXPECT_FALSE(first.Fetch());
    // A query that fails to compile is not remembered: it fails every time.
    EXPECT_EQ(FailureOf(u"SELECT Nope FROM File").installerError, 2235u);
    EXPECT_EQ(FailureOf(u"SELECT Nope FROM File").installerError, 2235u);
}
