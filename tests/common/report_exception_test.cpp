// ReportException and the diagnostic log, through the build's own application-services module
// with the IDE's state folder moved into a scratch tree.

#include "VxWsApplicationFilesEP/common/report_exception.h"
#include "ide/framework/scripted_message_service.h"
#include "platform/sys/file_handle.h"
#include "platform/sys/wide_string.h"
#include "support/scratch_folder.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace vx;
using namespace vx::testing;
namespace fs = std::filesystem;

namespace {

constexpr char16_t kNewFileForm[] =
    u"FrontEnd\\Views\\Kestrom\\VxWsApplicationFilesEP\\NewFileForm";

class ReportTest : public ::testing::Test {
protected:
    ScratchFolder temp;
    ScopedEnv state{"XDG_STATE_HOME", temp.Root().string()};
    fs::path log = temp / "vxide/vxide.log";
    ScriptedMessageService boxes;

    std::vector<uint8_t> LogBytes() const { return FileBytes(log); }

    static CComException Failure(HRESULT hr, std::u16string description) {
        return CComException(com_exception(hr, std::move(description)));
    }
};

std::vector<uint8_t> Utf16Le(std::u16string_view text) {
    std::vector<uint8_t> out;
    for (const char16_t c : text) {
        out.push_back(static_cast<uint8_t>(c & 0xFF));
        out.push_back(static_cast<uint8_t>(c >> 8));
    }
    return out;
}

void WriteBytes(const fs::path& path, size_t count, uint8_t value) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << std::string(count, static_cast<char>(value));
}

} // namespace

TEST_F(ReportTest, AppendsOneUtf16EntryWithoutByteOrderMark) {
    ReportException(kNewFileForm, 88, Failure(E_ACCESSDENIED, u"Access is denied.\n"));
    EXPECT_EQ(LogBytes(), Utf16Le(std::u16string(kNewFileForm) + u" 88: Access is denied.\r\n"));
    EXPECT_TRUE(boxes.Shown().empty());

    // Only one final line feed is left out, and entries are appended.
    ReportException(u"Unit", -3, Failure(E_FAIL, u"Two\r\n\n"));
    EXPECT_EQ(LogBytes(), Utf16Le(std::u16string(kNewFileForm) +
                                  u" 88: Access is denied.\r\nUnit -3: Two\r\n\r\n"));
}

TEST_F(ReportTest, CodesFrom2000To2199AreShownAndNotLogged) {
    for (const uint32_t code : {2000u, 2100u, 2199u}) {
        ReportException(u"Unit", 1, Failure(MakeHResult(0x80070000u | code), u"For the author"));
    }
    ASSERT_EQ(boxes.Shown().size(), 3u);
    EXPECT_EQ(boxes.Shown()[0].text, u"For the author");
    EXPECT_EQ(boxes.Shown()[0].style, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_EQ(boxes.Shown()[0].owner, MessageOwner::Application);
    EXPECT_FALSE(fs::exists(log));

    for (const uint32_t code : {1999u, 2200u}) {
        ReportException(u"Unit", 2, Failure(MakeHResult(0x80070000u | code), u"logged"));
    }
    EXPECT_EQ(boxes.Shown().size(), 3u);
    EXPECT_EQ(LogBytes(), Utf16Le(u"Unit 2: logged\r\nUnit 2: logged\r\n"));
}

TEST_F(ReportTest, TrimsToTheLastTenThousandBytesPastTwentyThousand) {
    const std::vector<uint8_t> entry = Utf16Le(u"U 1: m\r\n"); // 16 bytes
    WriteBytes(log, 20000 - entry.size(), 'a');
    ReportException(u"U", 1, Failure(E_FAIL, u"m"));
    EXPECT_EQ(fs::file_size(log), 20000u) << "exactly 20,000 bytes is kept whole";

    fs::resize_file(log, 20001 - entry.size());
    ReportException(u"U", 1, Failure(E_FAIL, u"m"));
    const std::vector<uint8_t> bytes = LogBytes();
    ASSERT_EQ(bytes.size(), 10000u);
    EXPECT_TRUE(
        std::equal(entry.begin(), entry.end(), bytes.end() - static_cast<long>(entry.size())));
    EXPECT_EQ(bytes.front(), 'a');
}

TEST_F(ReportTest, ALogThatCannotBeWrittenFallsBackToAnErrorBox) {
    fs::create_directories(log); // a folder where the file should be
    ReportException(u"Unit", 5, Failure(E_FAIL, u"Shown instead"));
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, u"Shown instead");
    EXPECT_EQ(boxes.Shown()[0].caption, u"Error");
    EXPECT_EQ(boxes.Shown()[0].style, MB_OK | MB_ICONERROR);
    EXPECT_EQ(boxes.Shown()[0].owner, MessageOwner::ActiveWindow);

    // An exception without a message of its own.
    struct Bare final : CException {};
    ReportException(u"Unit", 6, Bare{});
    ASSERT_EQ(boxes.Shown().size(), 2u);
    EXPECT_EQ(boxes.Shown()[1].text, kLogFallbackText);
}

TEST_F(ReportTest, ALogHeldByAnotherWriterFallsBackToAnErrorBox) {
    fs::create_directories(log.parent_path());
    FileHandle other;
    ASSERT_TRUE(
        other.Open(Utf8ToUtf16(log.string()), Access::Write, Creation::OpenAlways, Sharing::None));
    ReportException(u"Unit", 7, Failure(E_FAIL, u"busy"));
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, u"busy");
    other.Close();
    EXPECT_EQ(fs::file_size(log), 0u);
}

TEST_F(ReportTest, TheMessageIsCutToTheSharedBuffer) {
    ReportException(u"U", 1, Failure(E_FAIL, std::u16string(600, u'x')));
    EXPECT_EQ(LogBytes(),
              Utf16Le(u"U 1: " + std::u16string(kMessageBufferChars - 1, u'x') + u"\r\n"));
    EXPECT_EQ(std::u16string(SharedMessageBuffer()).size(), kMessageBufferChars - 1);
}
