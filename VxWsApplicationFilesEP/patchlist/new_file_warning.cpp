#include "VxWsApplicationFilesEP/patchlist/new_file_warning.h"

#include "VxWsApplicationFilesEP/resources/string_table.h"
#include "ide/framework/message_service.h"
#include "platform/com/com_exception.h"
#include "platform/sys/format_string.h"

namespace vx {

bool NewFileRegisters(IPatchFile* entry) {
    int32_t type = 0;
    ThrowIfFailed(entry->GetType(&type));
    if (type != kPatchTypeNewFile) {
        return false;
    }
    VARIANT_BOOL selfReg = VARIANT_FALSE;
    VARIANT_BOOL extractCom = VARIANT_FALSE;
    ThrowIfFailed(entry->GetSelfReg(&selfReg));
    ThrowIfFailed(entry->GetExtractCOM(&extractCom));
    return selfReg != VARIANT_FALSE || extractCom != VARIANT_FALSE;
}

bool WarnIfNewFileRegisters(IPatchFile* entry) {
    if (!NewFileRegisters(entry)) {
        return false;
    }
    BStr key;
    ThrowIfFailed(entry->GetKey(key.Out()));
    AppMessageBox(
        FormatString(LoadStringResource(IDS_NEW_FILE_REGISTRATION_WARNING), key.ToString()),
        MB_OK | MB_ICONEXCLAMATION);
    return true;
}

} // namespace vx
