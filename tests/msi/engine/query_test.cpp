#include "fake_storage.h"

#include "platform/msi/engine/view.h"
#include "platform/msi/msi_failure.h"
#include "platform/sys/wide_string.h"

#include <gtest/gtest.h>

using namespace vx;
using namespace vx::msi;
using namespace vx::msi::testing;

namespace {

class QueryTest : public ::testing::Test {
protected:
    QueryTest() {
        auto storage = std::make_unique<FakeStorage>();
        // Interned in reverse order so that pool order differs from alphabetical order.
        storage->Intern(u"zeta");
        storage->Intern(u"beta");
        storage->Intern(u"alpha");
        storage->AddTable(u"File",
                          {StringColumn(u"File", 72, true), StringColumn(u"Component_", 72),
                           IntegerColumn(u"FileSize", 4), StringColumn(u"Version", 72, false, true),
                           IntegerColumn(u"Attributes", 2, false, true),
                           IntegerColumn(u"Sequence", 2)},
                          {
                              {u"f1", u"zeta", 100, u"1.0", nullptr, 3},
                              {u"f2", u"alpha", -5, nullptr, 512, 1},
                              {u"f3", u"beta", 0, u"", 0, 2},
                              {u"f4", u"alpha", 2147483647, u"2.0", -1, 4},
                          });
        storage->AddTable(u"Binary", {StringColumn(u"Name", 72, true), BinaryColumn(u"Data")},
                          {{u"Icon", 1}, {u"None", nullptr}});
        storage->AddStream(u"Binary.Icon", {1, 2, 3, 4, 5});
        m_storage = storage.get();
        m_db = std::make_shared<Database>(u"/pkg/test.msi", std::move(storage));
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

    FakeStorage* m_storage = nullptr;
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

TEST_F(QueryTest, IntegerComparisonsAreSignedAndNullIsTheSmallestValue) {
    EXPECT_EQ(Keys(u"SELECT * FROM File WHERE FileSize > 0"), "f1,f4");
    EXPECT_EQ(Keys(u"SELECT * FROM File WHERE FileSize < 0"), "f2");
    EXPECT_EQ(Keys(u"SELECT * FROM File WHERE FileSize >= 0"), "f1,f3,f4");
    EXPECT_EQ(Keys(u"SELECT * FROM File WHERE FileSize <= 100"), "f1,f2,f3");
    EXPECT_EQ(Keys(u"SELECT * FROM File WHERE FileSize <> 100"), "f2,f3,f4");
    EXPECT_EQ(Keys(u"SELECT * FROM File WHERE 0 < FileSize"), "f1,f4"); // mirrored
    EXPECT_EQ(Keys(u"SELECT * FROM File WHERE Attributes = 0"), "f3");  // zero is not null
    EXPECT_EQ(Keys(u"SELECT * FROM File WHERE Attributes IS NULL"), "f1");
    EXPECT_EQ(Keys(u"SELECT * FROM File WHERE Attributes IS NOT NULL"), "f2,f3,f4");
    EXPECT_EQ(Keys(u"SELECT * FROM File WHERE Attributes < 1"), "f1,f3,f4");
    EXPECT_EQ(Keys(u"SELECT * FROM File WHERE Attributes > -2147483647"), "f2,f3,f4");
    EXPECT_EQ(Keys(u"SELECT * FROM File WHERE FileSize = 2147483647"), "f4");
}

TEST_F(QueryTest, NullAndEmptyStringAreTheSameValue) {
    EXPECT_EQ(Keys(u"SELECT * FROM File WHERE Version = ''"), "f2,f3");
    EXPECT_EQ(Keys(u"SELECT * FROM File WHERE Version IS NULL"), "f2,f3");
    EXPECT_EQ(Keys(u"SELECT * FROM File WHERE Version <> ''"), "f1,f4");
    EXPECT_EQ(Keys(u"SELECT * FROM File WHERE Version = 'not in the pool'"), "");
    EXPECT_EQ(Keys(u"SELECT * FROM File WHERE Version <> 'not in the pool'"), "f1,f2,f3,f4");
}

TEST_F(QueryTest, AndBindsTighterThanOrAndParenthesesRegroup) {
    EXPECT_EQ(Keys(u"SELECT * FROM File WHERE Sequence = 1 OR Sequence = 2 AND FileSize = 100"),
              "f2");
    EXPECT_EQ(Keys(u"SELECT * FROM File WHERE (Sequence = 1 OR Sequence = 3) AND FileSize = 100"),
              "f1");
    EXPECT_EQ(Keys(u"SELECT * FROM File WHERE Component_ = 'alpha' and ((FileSize < 0))"), "f2");
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
}

TEST_F(QueryTest, KeyLookupsFindTheirRowsAndHonourTheRestOfTheCondition) {
    EXPECT_EQ(Keys(u"SELECT * FROM File WHERE File = 'f3'"), "f3");
    EXPECT_EQ(Keys(u"SELECT * FROM File WHERE File = 'f3' AND Sequence = 1"), "");
    EXPECT_EQ(Keys(u"SELECT * FROM File WHERE File = 'nothing'"), "");
    EXPECT_EQ(Keys(u"SELECT * FROM File WHERE Component_ = 'alpha' OR File = 'f1'"), "f1,f2,f4");
    // A column whose values repeat: every row of the value, in table order.
    EXPECT_EQ(Keys(u"SELECT * FROM File WHERE Component_ = 'alpha'"), "f2,f4");
    EXPECT_EQ(Keys(u"SELECT * FROM File WHERE Component_ = 'beta' AND FileSize = 0"), "f3");
    // The same view executed again with other values.
    View view(m_db, u"SELECT File FROM File WHERE File = ?");
    for (const char16_t* key : {u"f1", u"f4", u"f9", u"f2"}) {
        Record p(1);
        p.Field(1) = std::u16string(key);
        view.Execute(&p);
        auto row = view.Fetch();
        if (std::u16string(key) == u"f9") {
            EXPECT_FALSE(row);
        } else {
            ASSERT_TRUE(row);
            EXPECT_EQ(row->Text(1), key);
        }
    }
}

TEST_F(QueryTest, CompiledQueriesAreFoundByTheirWholeText) {
    // Texts of the same length that differ in one character, alternating as lookups do.
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(Keys(u"SELECT * FROM File WHERE File = 'f1'"), "f1");
        EXPECT_EQ(Keys(u"SELECT * FROM File WHERE File = 'f2'"), "f2");
        EXPECT_EQ(Keys(u"SELECT * FROM File WHERE File = 'f3'"), "f3");
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
    EXPECT_EQ(Keys(u"SELECT * FROM File WHERE FileSize > 50"), "f1,f4");
}

TEST_F(QueryTest, OrderByPutsNullFirstAndStringsInPoolOrder) {
    EXPECT_EQ(Keys(u"SELECT * FROM File ORDER BY FileSize"), "f2,f3,f1,f4");
    EXPECT_EQ(Keys(u"SELECT * FROM File ORDER BY Attributes"), "f1,f4,f3,f2");
    // zeta, beta, alpha were interned in that order.
    EXPECT_EQ(Keys(u"SELECT * FROM File ORDER BY Component_"), "f1,f3,f2,f4");
    EXPECT_EQ(Keys(u"SELECT * FROM File ORDER BY Component_, Sequence"), "f1,f3,f2,f4");
    EXPECT_EQ(Keys(u"SELECT * FROM File WHERE Sequence > 1 ORDER BY `Version`"), "f3,f1,f4");
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
    ASSERT_EQ(f.fields.size(), 3u);
    EXPECT_EQ(f.fields[0], u"/pkg/test.msi");
    EXPECT_EQ(f.fields[1], u"Missing");
    EXPECT_EQ(f.fields[2], u"SELECT * FROM Missing");

    f = FailureOf(u"SELECT Nope FROM File");
    EXPECT_EQ(f.code, ERROR_BAD_QUERY_SYNTAX);
    EXPECT_EQ(f.installerError, 2235u);
    EXPECT_EQ(f.fields[1], u"Nope");

    f = FailureOf(u"SELECT * FROM File WHERE file = 'f1'"); // identifiers are case-sensitive
    EXPECT_EQ(f.installerError, 2235u);
    f = FailureOf(u"SELECT * FROM File WHERE Other.File = 'f1'");
    EXPECT_EQ(f.code, ERROR_BAD_QUERY_SYNTAX);
}

TEST_F(QueryTest, AnythingOutsideTheSubsetIsASyntaxError) {
    const char16_t* bad[] = {
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
    for (const char16_t* query : bad) {
        EXPECT_EQ(FailureOf(query).code, ERROR_BAD_QUERY_SYNTAX) << Utf16ToUtf8(query);
    }
}

TEST_F(QueryTest, AtMost32Comparisons) {
    std::u16string query = u"SELECT * FROM File WHERE Sequence = 1";
    for (int i = 1; i < 32; ++i) {
        query += u" OR Sequence = 1";
    }
    EXPECT_EQ(Keys(query), "f2");
    EXPECT_EQ(FailureOf(query + u" OR Sequence = 1").code, ERROR_BAD_QUERY_SYNTAX);
    std::u16string nested = u"SELECT * FROM File WHERE " + std::u16string(40, u'(') +
                            u"Sequence = 1" + std::u16string(40, u')');
    EXPECT_EQ(FailureOf(nested).code, ERROR_BAD_QUERY_SYNTAX);
}

TEST_F(QueryTest, FetchBeforeExecuteFails) {
    View view(m_db, u"SELECT * FROM File");
    EXPECT_THROW(view.Fetch(), MsiFailure);
    view.Execute(nullptr);
    EXPECT_TRUE(view.Fetch());
    view.Close();
    EXPECT_THROW(view.Fetch(), MsiFailure);
}

TEST_F(QueryTest, ViewsSharingACompiledQueryKeepTheirOwnState) {
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
