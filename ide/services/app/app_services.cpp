#include "ide/services/app/app_services.h"

#include "ide/services/app/ide_folders.h"
#include "platform/com/com_exception.h"
#include "platform/sys/file_system.h"
#include "platform/sys/machine_settings.h"
#include "platform/sys/win32_errors.h"

#include <charconv>
#include <string>

namespace vx {
HRESULT CAppServices::GetLogFolder(BSTR* folder) {
    if (!folder) {
        return E_POINTER;
    }
    *folder = nullptr;
    const std::u16string path = IdeStateFolder();
    if (path.empty()) {
        return FailWithDescription(
            HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND),
            u"The IDE's state folder is unknown: neither XDG_STATE_HOME nor a home folder "
            u"is set.");
    }
    if (!CreateDirectories(path)) {
        return FailWithDescription(HRESULT_FROM_WIN32(GetLastError()),
                                   u"The IDE's state folder \"" + path + u"\" cannot be created.");
    }
    *folder = SysAllocStringView(path);
    return *folder ? S_OK : E_OUTOFMEMORY;
}

HRESULT CAppServices::GetDestinationColumnOption(int32_t* value) {
    if (!value) {
        return E_POINTER;
    }
    *value = 0;
    const std::u16string file = IdeSettingsFile();
    if (file.empty()) {
        return S_OK;
    }
    const auto text = ReadIniValue(file, kSelectFileSection, kDestinationColumnValue);
    if (!text) {
        return S_OK;
    }
    std::string digits;
    for (const char16_t c : *text) {
        digits.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    }
    int32_t parsed = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), parsed);
    if (error == std::errc() && end == digits.data() + digits.size()) {
        *value = parsed;
    }
    return S_OK;
}

} // namespace vx
