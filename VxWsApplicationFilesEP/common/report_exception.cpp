#include "VxWsApplicationFilesEP/common/report_exception.h"

#include "ide/framework/service_object_loader.h"
#include "ide/framework/message_service.h"
#include "ide/services/interfaces/app_services.h"
#include "platform/sys/file_handle.h"

#include <array>
#include <string>
#include <vector>

namespace vx {
namespace {

constexpr uint32_t kFirstShownCode = 2000;
constexpr uint32_t kLastShownCode = 2199;
// The log path must fit the 260-character buffer the path is built in, terminator included.
constexpr size_t kPathBufferChars = 260;
constexpr char16_t kErrorCaption[] = u"Error";

std::array<char16_t, kMessageBufferChars> g_messageBuffer{};

bool IsShownToAuthor(const CException& exception, std::u16string& description) {
    const auto* com = dynamic_cast<const CComException*>(&exception);
    if (!com) {
        return false;
    }
    const uint32_t code = HRESULT_CODE(com->hr());
    if (code < kFirstShownCode || code > kLastShownCode) {
        return false;
    }
    description = com->Description();
    return true;
}

void AppendLittleEndian(std::vector<uint8_t>& out, std::u16string_view text) {
    for (const char16_t c : text) {
        out.push_back(static_cast<uint8_t>(c & 0xFF));
        out.push_back(static_cast<uint8_t>(c >> 8));
    }
}

std::vector<uint8_t> LogEntry(std::u16string_view sourceUnit, int line) {
    std::u16string_view message(g_messageBuffer.data());
    if (!message.empty() && message.back() == u'\n') {
        message.remove_suffix(1);
    }
    const std::string digits = std::to_string(line);
    std::vector<uint8_t> entry;
    AppendLittleEndian(entry, sourceUnit);
    AppendLittleEndian(entry, u" ");
    AppendLittleEndian(entry, std::u16string(digits.begin(), digits.end()));
    AppendLittleEndian(entry, u": ");
    AppendLittleEndian(entry, message);
    AppendLittleEndian(entry, u"\r\n");
    return entry;
}

// Keeps only the last kLogKeptBytes bytes. A failed move or read leaves the file as it is; a
// file that cannot be created anew gets nothing written back.
void TrimLog(FileHandle& file, const std::u16string& path) {
    if (!file.Seek(-static_cast<int64_t>(kLogKeptBytes), SeekOrigin::End)) {
        return;
    }
    std::vector<uint8_t> kept(kLogKeptBytes);
    size_t got = 0;
    while (got < kept.size()) {
        const auto n = file.Read(kept.data() + got, kept.size() - got);
        if (!n) {
            return;
        }
        if (*n == 0) {
            break;
        }
        got += *n;
    }
    kept.resize(got);
    file.Close();
    if (file.Open(path, Access::Write, Creation::CreateAlways, Sharing::None)) {
        file.Write(kept.data(), kept.size());
    }
}

} // namespace

char16_t* SharedMessageBuffer() {
    return g_messageBuffer.data();
}

void ReportException(std::u16string_view sourceUnit, int line, const CException& exception) {
    std::u16string description;
    if (IsShownToAuthor(exception, description)) {
        AppMessageBox(description, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    g_messageBuffer.fill(u'\0');
    exception.GetErrorMessage(g_messageBuffer.data(), kMessageBufferChars, nullptr);
    if (!WriteLogEntry(sourceUnit, line)) {
        const std::u16string_view text(g_messageBuffer.data());
        WindowMessageBox(text.empty() ? std::u16string_view(kLogFallbackText) : text, kErrorCaption,
                         MB_OK | MB_ICONERROR);
    }
}

bool WriteLogEntry(std::u16string_view sourceUnit, int line) {
    ComPtr<IAppServices> services;
    ThrowIfFailed(CreateServiceObject(kAppServicesModule, CLSID_AppServices, services));
    BStr folder;
    if (FAILED(services->GetLogFolder(folder.Out()))) {
        return false;
    }
    const std::u16string path = folder.ToString() + u"/" + kLogFileName;
    if (path.size() >= kPathBufferChars) {
        return false;
    }
    FileHandle file;
    if (!file.Open(path, Access::ReadWrite, Creation::OpenAlways, Sharing::None)) {
        return false;
    }
    // The writes are not checked: once the file is open the entry counts as written.
    file.Seek(0, SeekOrigin::End);
    const std::vector<uint8_t> entry = LogEntry(sourceUnit, line);
    file.Write(entry.data(), entry.size());
    const auto end = file.Seek(0, SeekOrigin::Current);
    if (end && *end > kLogTrimThreshold) {
        TrimLog(file, path);
    }
    return true;
}

} // namespace vx
