// The cabinet reader and the cabinet service over the fixture cabinets, with cabextract as the
// independent judge of what each member holds.

#include "ide/services/cabinet/cabinet_reader.h"
#include "ide/services/cabinet/cabinet_service.h"
#include "platform/com/com_exception.h"
#include "platform/sys/wide_string.h"
#include "platform/sys/win32_errors.h"
#include "support/child_process.h"
#include "support/scratch_folder.h"
#include "support/test_paths.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace vx;
using namespace vx::cabinet;
using namespace vx::testing;
namespace fs = std::filesystem;

namespace {

const fs::path kMedia = fs::path(VX_FIXTURE_DIR) / "media";

std::u16string U(const fs::path& path) {
    return Utf8ToUtf16(path.string());
}

bool Contains(const std::u16string& text, std::u16string_view part) {
    return text.find(part) != std::u16string::npos;
}

// Opens and expects success.
std::unique_ptr<CabinetReader> Opened(const fs::path& cabinet) {
    auto reader = std::make_unique<CabinetReader>();
    const auto failure = reader->Open(U(cabinet));
    EXPECT_FALSE(failure) << (failure ? Utf16ToUtf8(failure->description) : "");
    return reader;
}

Failure OpenFailure(const fs::path& cabinet) {
    CabinetReader reader;
    const auto failure = reader.Open(U(cabinet));
    EXPECT_TRUE(failure) << cabinet;
    return failure.value_or(Failure{S_OK, {}});
}

std::u16string TakeDescription(HRESULT hr) {
    return com_exception(hr).description;
}

} // namespace

TEST(CabinetReader, EveryFixtureCompressionExtractsAsCabextractDoes) {
    for (const char* name : {"mszip.cab", "DISK2/Data2.cab", "lzx.cab"}) {
        SCOPED_TRACE(name);
        ScratchFolder temp;
        const fs::path cabinet = kMedia / name;
        ASSERT_EQ(RunShell("cabextract -q -d " + Quote((temp / "oracle").string()) + " " +
                           Quote(cabinet.string()))
                      .exitCode,
                  0);
        auto reader = Opened(cabinet);
        ASSERT_FALSE(reader->Members().empty());
        unsigned lastFolder = 0;
        uint64_t lastOffset = 0;
        for (size_t i = 0; i < reader->Members().size(); ++i) {
            const Member& member = reader->Members()[i];
            // Stored order: folder by folder, by offset within each.
            EXPECT_TRUE(member.folder > lastFolder ||
                        (member.folder == lastFolder && member.offset >= lastOffset));
            lastFolder = member.folder;
            lastOffset = member.offset;
            const fs::path out = temp / ("ours-" + member.name);
            ASSERT_FALSE(reader->Extract(i, U(out)));
            EXPECT_EQ(fs::file_size(out), member.size);
            EXPECT_EQ(FileBytes(out), FileBytes(temp / "oracle" / member.name)) << member.name;
        }
    }
}

TEST(CabinetReader, NotACabinetAndACutHeaderFailAtOpen) {
    ScratchFolder temp;
    Failure notCabinet = OpenFailure(kMedia / "media.msi");
    EXPECT_EQ(notCabinet.hr, HRESULT_FROM_WIN32(ERROR_INVALID_DATA));
    EXPECT_TRUE(Contains(notCabinet.description, u"is not a cabinet"));

    // A missing cabinet and one cut in its data are reported through the package's media
    // objects (media_test); cut inside its header:
    std::vector<uint8_t> head = FileBytes(kMedia / "mszip.cab");
    head.resize(30);
    WriteBytes(temp / "head.cab", head);
    Failure headOnly = OpenFailure(temp / "head.cab");
    EXPECT_LT(headOnly.hr, 0);
    EXPECT_TRUE(Contains(headOnly.description, U(temp / "head.cab")));

    WriteBytes(temp / "empty.cab", {});
    EXPECT_LT(OpenFailure(temp / "empty.cab").hr, 0);
}

TEST(CabinetReader, DamagedDataFailsAtExtractAndLeavesNoPartialFile) {
    ScratchFolder temp;
    std::vector<uint8_t> bytes = FileBytes(kMedia / "mszip.cab");
    uint32_t dataStart = 0;
    for (size_t b = 0; b < 4; ++b) {
        dataStart |= static_cast<uint32_t>(bytes[36 + b]) << (8 * b); // CFFOLDER.coffCabStart
    }
    for (size_t i = dataStart + 8 + 2; i < bytes.size(); ++i) {
        bytes[i] = static_cast<uint8_t>(bytes[i] ^ 0x5A);
    }
    WriteBytes(temp / "flipped.cab", bytes);
    auto reader = Opened(temp / "flipped.cab");
    ASSERT_FALSE(reader->Members().empty());
    const auto failure = reader->Extract(0, U(temp / "out"));
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->hr, HRESULT_FROM_WIN32(ERROR_INVALID_DATA));
    EXPECT_TRUE(Contains(failure->description, u"damaged"));
    EXPECT_FALSE(fs::exists(temp / "out"));
}

TEST(CabinetReader, ASymbolicLinkAtTheTargetIsNotFollowed) {
    ScratchFolder temp;
    std::ofstream(temp / "precious") << "keep me";
    fs::create_symlink(temp / "precious", temp / "link");
    auto reader = Opened(kMedia / "lzx.cab");
    const auto failure = reader->Extract(0, U(temp / "link"));
    ASSERT_TRUE(failure);
    EXPECT_TRUE(Contains(failure->description, u"symbolic link"));
    EXPECT_EQ(FileBytes(temp / "precious"),
              (std::vector<uint8_t>{'k', 'e', 'e', 'p', ' ', 'm', 'e'}));
    EXPECT_TRUE(fs::is_symlink(temp / "link"));
}

TEST(CabinetReader, InMemoryWithAnOutputLimit) {
    const std::vector<uint8_t> bytes = FileBytes(kMedia / "mszip.cab");
    CabinetReader reader(bytes, 1 << 20);
    ASSERT_FALSE(reader.Open(u"ignored"));
    for (size_t i = 0; i < reader.Members().size(); ++i) {
        EXPECT_FALSE(reader.Extract(i, u"dropped"));
    }
    CabinetReader small(bytes, 100);
    ASSERT_FALSE(small.Open(u"ignored"));
    const auto big =
        std::max_element(small.Members().begin(), small.Members().end(),
                         [](const Member& a, const Member& b) { return a.size < b.size; });
    EXPECT_TRUE(small.Extract(static_cast<size_t>(big - small.Members().begin()), u"dropped"));
}

TEST(CabinetService, OpenThenExtractIntoAFolderUnderTheMembersName) {
    ScratchFolder temp;
    auto service = MakeComObject<CabinetService>();
    ComPtr<ICabinetExtraction> extraction;
    EXPECT_EQ(service->GetExtractionService(extraction.ReleaseAndGetAddressOf()), E_UNEXPECTED);

    BStr missing(U(kMedia / "missing.cab"));
    EXPECT_EQ(service->Open(missing.Get()), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(Contains(TakeDescription(E_FAIL), u"missing.cab"));
    EXPECT_EQ(service->GetExtractionService(extraction.ReleaseAndGetAddressOf()), E_UNEXPECTED);

    BStr path(U(kMedia / "DISK2/Data2.cab"));
    ASSERT_EQ(service->Open(path.Get()), S_OK);
    ASSERT_EQ(service->GetExtractionService(extraction.ReleaseAndGetAddressOf()), S_OK);
    service.Reset(); // the extraction service keeps the cabinet open on its own

    BStr folder(U(temp.Root()));
    BStr member(u"ExtTwo");
    ASSERT_EQ(extraction->Extract(member.Get(), folder.Get()), S_OK);
    EXPECT_EQ(fs::file_size(temp / "ExtTwo"), 40000u);

    uint32_t count = 0;
    ASSERT_EQ(extraction->GetMemberCount(&count), S_OK);
    EXPECT_EQ(count, 2u);
    BStr name;
    uint64_t size = 0;
    ASSERT_EQ(extraction->GetMember(0, name.Out(), &size), S_OK);
    EXPECT_EQ(name.ToString(), u"ExtOne");
    EXPECT_EQ(size, 2048u);
    EXPECT_EQ(extraction->GetMember(2, name.Out(), &size), E_INVALIDARG);

    BStr absent(u"NoSuchMember");
    EXPECT_EQ(extraction->Extract(absent.Get(), folder.Get()),
              HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(Contains(TakeDescription(E_FAIL), u"holds no file named \"NoSuchMember\""));
}

TEST(CabinetService, MemberNamesThatWouldLeaveTheFolderAreRefused) {
    ScratchFolder temp;
    fs::create_directories(temp / "inside");
    auto service = MakeComObject<CabinetService>();
    BStr path(U(kMedia / "lzx.cab"));
    ASSERT_EQ(service->Open(path.Get()), S_OK);
    ComPtr<ICabinetExtraction> extraction;
    ASSERT_EQ(service->GetExtractionService(extraction.ReleaseAndGetAddressOf()), S_OK);
    BStr folder(U(temp / "inside"));
    for (const char16_t* bad : {u"../Lzx", u"..", u".", u"", u"a/Lzx", u"a\\Lzx", u"/tmp/Lzx"}) {
        BStr member(bad);
        EXPECT_EQ(extraction->Extract(member.Get(), folder.Get()),
                  HRESULT_FROM_WIN32(ERROR_INVALID_NAME))
            << Utf16ToUtf8(bad);
        EXPECT_TRUE(Contains(TakeDescription(E_FAIL), u"not a plain file name"));
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.Root()), fs::directory_iterator()), 1);
    EXPECT_TRUE(fs::is_empty(temp / "inside"));
}
