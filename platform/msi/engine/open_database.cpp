#include "platform/com/hresult.h"
#include "platform/msi/engine/database.h"
#include "platform/msi/engine/installer_errors.h"
#include "platform/sys/format_string.h"

namespace vx::msi {

std::shared_ptr<Database> OpenDatabase(std::u16string_view path) {
    try {
        return std::make_shared<Database>(std::u16string(path), OpenInstallerStorage(path));
    } catch (const MsiFailure& failure) {
        // The installer reports every failed open as 2203 with the storage layer's error.
        HRESULT systemError = STG_E_INVALIDHEADER;
        switch (failure.code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            systemError = STG_E_FILENOTFOUND;
            break;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            systemError = STG_E_ACCESSDENIED;
            break;
        default:
            break;
        }
        std::vector<std::u16string> fields{std::u16string(path),
                                           FormatString(u"%d", systemError)};
        if (!failure.detail.empty()) {
            fields.push_back(failure.detail);
        }
        ThrowMsiFailure(ERROR_OPEN_FAILED, kErrorCannotOpenDatabase, std::move(fields),
                        failure.detail);
    }
}

} // namespace vx::msi
