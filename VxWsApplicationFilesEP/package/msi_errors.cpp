#include "VxWsApplicationFilesEP/package/msi_errors.h"

#include "platform/com/com_exception.h"
#include "platform/sys/format_string.h"
#include "platform/sys/system_messages.h"

#include <vector>

namespace vx {
namespace {

// The installer formats the record into a buffer of this many characters.
constexpr MsiDWORD kMessageBufferSize = 1024;

} // namespace

std::u16string InstallerErrorMessage(int32_t hr) {
    const MSIHANDLE record = MsiGetLastErrorRecord();
    if (record == 0) {
        return SystemMessageText(static_cast<uint32_t>(hr)).value_or(std::u16string());
    }
    // The handle is closed on every path out, the throwing one included.
    struct Closer {
        MSIHANDLE handle;
        ~Closer() { MsiCloseHandle(handle); }
    } closer{record};
    if (MsiRecordIsNull(record, 0)) {
        CheckMsiResult(MsiRecordSetStringW(record, 0, kInstallerErrorTemplate),
                       kApiRecordSetString);
    }
    std::vector<char16_t> buffer(kMessageBufferSize, 0);
    MsiDWORD size = kMessageBufferSize;
    MsiFormatRecordW(0, record, buffer.data(), &size); // a cut message is still the message
    buffer.back() = 0;
    return std::u16string(buffer.data());
}

void ThrowMsiResult(UINT code, std::u16string_view apiName, std::u16string_view arg1,
                    std::u16string_view arg2) {
    const int32_t hr = HRESULT_FROM_WIN32(code);
    const std::u16string message = InstallerErrorMessage(hr);
    std::u16string text;
    if (arg1.empty()) {
        text = FormatString(u"%s%s()", message, apiName);
    } else if (arg2.empty()) {
        text = FormatString(u"%s%s(%s)", message, apiName, arg1);
    } else {
        text = FormatString(u"%s%s(%s, %s)", message, apiName, arg1, arg2);
    }
    PublishErrorDescription(text);
    ThrowIfFailed(hr);
}

} // namespace vx
