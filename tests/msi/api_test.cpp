// The C API over real packages: buffers, handles, records, streams, summary information and
// threads.

#include "msi/api_helpers.h"
#include "support/scratch_folder.h"
#include "support/test_paths.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

using namespace vx;
using namespace vx::testing;

namespace {

const std::string kPutty = "putty-0.68-installer.msi";
const std::string kNUnit = "NUnit-2.5.2.9222.msi";

// The putty package, opened read-only; the test is skipped without the corpus.
class PuttyApi : public ::testing::Test {
protected:
    void SetUp() override {
        VX_REQUIRE_CORPUS(kPutty);
        ASSERT_EQ(MsiOpenDatabaseW(CorpusPackage(kPutty).c_str(), MSIDBOPEN_READONLY, &db.h), 0u);
    }
    Handle db;
};

} // namespace

TEST(MsiApi, StringBuffersFollowTheInstallersConventions) {
    const MSIHANDLE r = MsiCreateRecord(2);
    ASSERT_NE(r, 0u);
    ASSERT_EQ(MsiRecordSetStringW(r, 1, u"abcdef"), ERROR_SUCCESS);
    MsiDWORD size = 0;
    EXPECT_EQ(MsiRecordGetStringW(r, 1, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 6u);
    char16_t small[4] = {u'#', u'#', u'#', u'#'};
    size = 4;
    EXPECT_EQ(MsiRecordGetStringW(r, 1, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(std::u16string(small), u"abc");
    char16_t exact[7];
    size = 7;
    EXPECT_EQ(MsiRecordGetStringW(r, 1, exact, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(exact), u"abcdef");

    EXPECT_EQ(MsiRecordSetInteger(r, 2, -17), ERROR_SUCCESS);
    EXPECT_EQ(FieldText(r, 2), u"-17");
    EXPECT_EQ(MsiRecordDataSize(r, 2), 4u);
    EXPECT_EQ(MsiRecordGetInteger(r, 1), MSI_NULL_INTEGER); // not a number
    EXPECT_EQ(MsiRecordSetStringW(r, 1, u""), ERROR_SUCCESS);
    EXPECT_TRUE(MsiRecordIsNull(r, 1)); // an empty string is null
    EXPECT_EQ(MsiRecordSetStringW(r, 3, u"x"), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(MsiRecordGetFieldCount(r), 2u);
    EXPECT_EQ(MsiCloseHandle(r), ERROR_SUCCESS);
    EXPECT_EQ(MsiCloseHandle(r), ERROR_INVALID_HANDLE);
    EXPECT_EQ(MsiRecordGetStringW(r, 1, nullptr, &size), ERROR_INVALID_HANDLE);
}

TEST(MsiApi, FailuresLeaveTheInstallersErrorRecord) {
    Handle db;
    EXPECT_EQ(MsiOpenDatabaseW(u"/no/such/package.msi", MSIDBOPEN_READONLY, &db.h),
              ERROR_OPEN_FAILED);
    Handle error{MsiGetLastErrorRecord()};
    ASSERT_NE(error.h, 0u);
    EXPECT_EQ(MsiRecordGetInteger(error.h, 1), 2203);
    EXPECT_EQ(FieldText(error.h, 2), u"/no/such/package.msi");
    EXPECT_EQ(MsiRecordGetInteger(error.h, 3), -2147287038); // STG_E_FILENOTFOUND
    EXPECT_EQ(MsiGetLastErrorRecord(), 0u);                  // taken once

    VX_REQUIRE_CORPUS(kPutty);
    ASSERT_EQ(MsiOpenDatabaseW(CorpusPackage(kPutty).c_str(), MSIDBOPEN_READONLY, &db.h),
              ERROR_SUCCESS);
    Handle view;
    EXPECT_EQ(MsiDatabaseOpenViewW(db.h, u"SELECT `Nope` FROM `File`", &view.h),
              ERROR_BAD_QUERY_SYNTAX);
    Handle record{MsiGetLastErrorRecord()};
    ASSERT_NE(record.h, 0u);
    ASSERT_EQ(MsiRecordSetStringW(record.h, 0, u"Error [1]: [2]{, [3]}{, [4]}{, [5]}"),
              ERROR_SUCCESS);
    char16_t text[256];
    MsiDWORD size = 256;
    ASSERT_EQ(MsiFormatRecordW(0, record.h, text, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(text),
              u"Error 2235: " + CorpusPackage(kPutty) + u", Nope, SELECT `Nope` FROM `File`");
}

TEST(MsiApi, EveryRecordCallClearsTheLastError) {
    Handle record{MsiCreateRecord(2)};
    ASSERT_EQ(MsiRecordSetStringW(record.h, 1, u"text"), ERROR_SUCCESS);
    char bytes[8];
    char16_t text[8];
    MsiDWORD size = 8;
    const std::vector<std::pair<const char*, std::function<void()>>> calls = {
        {"MsiCreateRecord", [&] { MsiCloseHandle(MsiCreateRecord(1)); }},
        {"MsiRecordSetStringW", [&] { MsiRecordSetStringW(record.h, 2, u"x"); }},
        {"MsiRecordSetInteger", [&] { MsiRecordSetInteger(record.h, 2, 1); }},
        {"MsiRecordGetStringW", [&] { MsiRecordGetStringW(record.h, 1, text, &size); }},
        {"MsiRecordGetInteger", [&] { MsiRecordGetInteger(record.h, 1); }},
        {"MsiRecordIsNull", [&] { MsiRecordIsNull(record.h, 1); }},
        {"MsiRecordGetFieldCount", [&] { MsiRecordGetFieldCount(record.h); }},
        {"MsiRecordDataSize", [&] { MsiRecordDataSize(record.h, 1); }},
        {"MsiRecordReadStream", [&] { MsiRecordReadStream(record.h, 1, bytes, &size); }},
        {"MsiFormatRecordW", [&] { MsiFormatRecordW(0, record.h, text, &size); }},
    };
    for (const auto& [name, call] : calls) {
        Handle db;
        ASSERT_EQ(MsiOpenDatabaseW(u"/no/such/package.msi", MSIDBOPEN_READONLY, &db.h),
                  ERROR_OPEN_FAILED);
        size = 8;
        call();
        Handle left{MsiGetLastErrorRecord()};
        EXPECT_EQ(left.h, 0u) << name;
    }
}

TEST_F(PuttyApi, OnlyTheReadOnlyModeOpensAndTablesPersistOrAreAbsent) {
    for (uintptr_t mode : {1u, 2u, 3u, 4u, 5u}) {
        Handle other;
        EXPECT_EQ(MsiOpenDatabaseW(CorpusPackage(kPutty).c_str(), MsiPersistMode(mode), &other.h),
                  ERROR_INVALID_PARAMETER);
        EXPECT_EQ(other.h, 0u);
    }
    EXPECT_EQ(MsiDatabaseIsTablePersistentW(db.h, u"File"), MSICONDITION_TRUE);
    EXPECT_EQ(MsiDatabaseIsTablePersistentW(db.h, u"NoSuchTable"), MSICONDITION_NONE);
    EXPECT_EQ(MsiDatabaseIsTablePersistentW(db.h, u"file"), MSICONDITION_NONE);
    EXPECT_EQ(MsiDatabaseIsTablePersistentW(0, u"File"), MSICONDITION_ERROR);
    Handle keys;
    ASSERT_EQ(MsiDatabaseGetPrimaryKeysW(db.h, u"FeatureComponents", &keys.h), ERROR_SUCCESS);
    EXPECT_EQ(MsiRecordGetFieldCount(keys.h), 2u);
    EXPECT_EQ(FieldText(keys.h, 0) + u" " + FieldText(keys.h, 1) + u" " + FieldText(keys.h, 2),
              u"FeatureComponents Feature_ Component_");
    EXPECT_EQ(MsiDatabaseGetPrimaryKeysW(db.h, u"Nope", &keys.h), ERROR_INVALID_TABLE);
    // A view is not accepted as its own parameters, nor is the database (and no deadlock).
    Handle view;
    ASSERT_EQ(MsiDatabaseOpenViewW(db.h, u"SELECT * FROM `File` WHERE `File` = ?", &view.h), 0u);
    EXPECT_EQ(MsiViewExecute(view.h, view.h), ERROR_INVALID_HANDLE);
    EXPECT_EQ(MsiViewExecute(view.h, db.h), ERROR_INVALID_HANDLE);
}

TEST_F(PuttyApi, StreamsReadInPiecesToTheirExactSize) {
    Handle view;
    ASSERT_EQ(MsiDatabaseOpenViewW(db.h, u"SELECT `Name`, `Data` FROM `_Streams` WHERE `Name` = ?",
                                   &view.h),
              ERROR_SUCCESS);
    Handle params{MsiCreateRecord(1)};
    MsiRecordSetStringW(params.h, 1, u"putty.cab");
    ASSERT_EQ(MsiViewExecute(view.h, params.h), ERROR_SUCCESS);
    Handle row;
    ASSERT_EQ(MsiViewFetch(view.h, &row.h), ERROR_SUCCESS);
    const UINT total = MsiRecordDataSize(row.h, 2);
    ASSERT_GT(total, 100000u);
    std::vector<char> bytes;
    char chunk[4000];
    for (MsiDWORD size = 1; size > 0;) {
        size = sizeof chunk;
        ASSERT_EQ(MsiRecordReadStream(row.h, 2, chunk, &size), ERROR_SUCCESS);
        bytes.insert(bytes.end(), chunk, chunk + size);
    }
    ASSERT_EQ(bytes.size(), total);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "MSCF"); // a cabinet
    MsiDWORD size = 10;
    EXPECT_EQ(MsiRecordReadStream(row.h, 1, chunk, &size), ERROR_INVALID_DATATYPE);
    Handle end;
    EXPECT_EQ(MsiViewFetch(view.h, &end.h), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(end.h, 0u);
}

// Every property's value is compared with libmsi's in the differential tests.
TEST_F(PuttyApi, SummaryInformationTakesNoTextBufferForNumbersAndIsReadOnly) {
    Handle summary;
    ASSERT_EQ(MsiGetSummaryInformationW(0, CorpusPackage(kPutty).c_str(), 0, &summary.h), 0u);
    UINT type = 0;
    INT value = 0;
    MsiFileTime time;
    ASSERT_EQ(MsiSummaryInfoGetPropertyW(summary.h, 14, &type, &value, &time, nullptr, nullptr),
              0u);
    EXPECT_EQ(type, VT_I4_PROPERTY);
    EXPECT_EQ(value, 100);
    Handle writable;
    EXPECT_EQ(MsiGetSummaryInformationW(0, CorpusPackage(kPutty).c_str(), 3, &writable.h),
              ERROR_INVALID_PARAMETER);
}

TEST(MsiApi, ManyThreadsShareOneDatabaseAndEveryHandleIsReleased) {
    VX_REQUIRE_CORPUS(kNUnit);
    const UINT before = MsiOpenHandleCount();
    {
        Handle db;
        ASSERT_EQ(MsiOpenDatabaseW(CorpusPackage(kNUnit).c_str(), MSIDBOPEN_READONLY, &db.h), 0u);
        // The keys to look up, read once.
        std::vector<std::u16string> keys;
        {
            Handle view;
            ASSERT_EQ(MsiDatabaseOpenViewW(db.h, u"SELECT `File` FROM `File`", &view.h), 0u);
            ASSERT_EQ(MsiViewExecute(view.h, 0), 0u);
            for (Handle row; MsiViewFetch(view.h, &row.h) == ERROR_SUCCESS;) {
                keys.push_back(FieldText(row.h, 1));
                MsiCloseHandle(row.h);
                row.h = 0;
            }
        }
        ASSERT_GT(keys.size(), 250u);
        std::atomic<int> found{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&, t] {
                for (size_t i = static_cast<size_t>(t); i < keys.size(); i += 4) {
                    MSIHANDLE view = 0;
                    MSIHANDLE params = MsiCreateRecord(1);
                    MSIHANDLE row = 0;
                    MsiRecordSetStringW(params, 1, keys[i].c_str());
                    if (MsiDatabaseOpenViewW(db.h, u"SELECT * FROM `File` WHERE `File` = ?",
                                             &view) == 0 &&
                        MsiViewExecute(view, params) == 0 && MsiViewFetch(view, &row) == 0 &&
                        FieldText(row, 1) == keys[i]) {
                        ++found;
                    }
                    MsiCloseHandle(row);
                    MsiCloseHandle(params);
                    MsiCloseHandle(view);
                }
            });
        }
        for (auto& t : threads) {
            t.join();
        }
        EXPECT_EQ(found.load(), static_cast<int>(keys.size()));
    }
    EXPECT_EQ(MsiOpenHandleCount(), before);
}

TEST(MsiApi, AHandleClosedWhileAnotherThreadUsesItFailsCleanly) {
    // One thread keeps reading and writing records while another closes them under it and opens
    // new ones (which reuse the numbers): every call answers success or an invalid handle.
    constexpr int kRounds = 20000;
    std::atomic<MSIHANDLE> shared{MsiCreateRecord(1)};
    std::atomic<bool> done{false};
    std::atomic<int> unexpected{0};
    std::thread reader([&] {
        char16_t buffer[16];
        while (!done.load()) {
            const MSIHANDLE h = shared.load();
            MsiDWORD size = 16;
            const UINT set = MsiRecordSetStringW(h, 1, u"value");
            const UINT get = MsiRecordGetStringW(h, 1, buffer, &size);
            for (const UINT result : {set, get}) {
                if (result != ERROR_SUCCESS && result != ERROR_INVALID_HANDLE) {
                    ++unexpected;
                }
            }
        }
    });
    for (int round = 0; round < kRounds; ++round) {
        const MSIHANDLE fresh = MsiCreateRecord(1);
        EXPECT_EQ(MsiCloseHandle(shared.exchange(fresh)), ERROR_SUCCESS);
    }
    done = true;
    reader.join();
    EXPECT_EQ(unexpected.load(), 0);
    EXPECT_EQ(MsiCloseHandle(shared.load()), ERROR_SUCCESS);
    EXPECT_EQ(MsiCloseHandle(shared.load()), ERROR_INVALID_HANDLE);
}

TEST(MsiApi, AClosedHandleNumberDoesNotComeBackSoon) {
    const MSIHANDLE first = MsiCreateRecord(1);
    ASSERT_EQ(MsiCloseHandle(first), ERROR_SUCCESS);
    std::vector<MSIHANDLE> later;
    for (int i = 0; i < 64; ++i) {
        later.push_back(MsiCreateRecord(1));
        EXPECT_NE(later.back(), first) << "after " << i << " opens";
        EXPECT_EQ(MsiCloseHandle(later.back()), ERROR_SUCCESS);
    }
    EXPECT_EQ(MsiRecordSetInteger(first, 1, 7), ERROR_INVALID_HANDLE);
}

namespace {

std::u16string FirstFileKey(MSIHANDLE database) {
    Handle view;
    Handle row;
    if (MsiDatabaseOpenViewW(database, u"SELECT `File` FROM `File`", &view.h) != 0 ||
        MsiViewExecute(view.h, 0) != 0 || MsiViewFetch(view.h, &row.h) != 0) {
        return {};
    }
    return FieldText(row.h, 1);
}

} // namespace

TEST(MsiApi, APackageChangedWhileOpenIsReadAgainByTheNextOpen) {
    // Opens of an unchanged package share what was read; a package replaced or rewritten under
    // the same path must not.
    namespace fs = std::filesystem;
    const fs::path basic = fs::path(VX_FIXTURE_DIR) / "basic.msi";
    const fs::path big = fs::path(VX_FIXTURE_DIR) / "big5k.msi";
    ScratchFolder scratch;
    const fs::path path = scratch.Path("package.msi");
    const std::u16string wide = scratch.Wide("package.msi");
    // Files changed moments ago are never shared; these are dated back so that they are.
    const auto dateBack = [](const fs::path& file, int hours) {
        fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::hours(hours));
    };
    fs::copy_file(basic, path);
    dateBack(path, 3);

    Handle first;
    ASSERT_EQ(MsiOpenDatabaseW(wide.c_str(), MSIDBOPEN_READONLY, &first.h), 0u);
    const std::u16string basicKey = FirstFileKey(first.h);
    ASSERT_FALSE(basicKey.empty());
    {
        Handle again;
        ASSERT_EQ(MsiOpenDatabaseW(wide.c_str(), MSIDBOPEN_READONLY, &again.h), 0u);
        EXPECT_EQ(FirstFileKey(again.h), basicKey);
    }

    // Replaced by another file (a new inode), then rewritten in place (same inode).
    fs::copy_file(big, scratch.Path("next.msi"));
    dateBack(scratch.Path("next.msi"), 3);
    fs::rename(scratch.Path("next.msi"), path);
    Handle replaced;
    ASSERT_EQ(MsiOpenDatabaseW(wide.c_str(), MSIDBOPEN_READONLY, &replaced.h), 0u);
    const std::u16string bigKey = FirstFileKey(replaced.h);
    EXPECT_NE(bigKey, basicKey);
    EXPECT_EQ(FirstFileKey(first.h), basicKey); // the first open still reads what it opened

    fs::copy_file(basic, path, fs::copy_options::overwrite_existing);
    dateBack(path, 2);
    Handle rewritten;
    ASSERT_EQ(MsiOpenDatabaseW(wide.c_str(), MSIDBOPEN_READONLY, &rewritten.h), 0u);
    EXPECT_EQ(FirstFileKey(rewritten.h), basicKey);

    // Parses outlive their last handle; one of a package rewritten since must not be served.
    for (Handle* open : {&first, &replaced, &rewritten}) {
        MsiCloseHandle(std::exchange(open->h, 0));
    }
    fs::copy_file(big, path, fs::copy_options::overwrite_existing);
    dateBack(path, 1);
    Handle afterClose;
    ASSERT_EQ(MsiOpenDatabaseW(wide.c_str(), MSIDBOPEN_READONLY, &afterClose.h), 0u);
    EXPECT_EQ(FirstFileKey(afterClose.h), bigKey);
}
