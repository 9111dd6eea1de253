#pragma once
// Turns a failed installer call into the one exception type of the project, with the installer's
// own formatted error text followed by the name of the call that failed.

#include "platform/msi/msi_api.h"

#include <string>
#include <string_view>

namespace vx {

// The names the package reader passes as `apiName`.
inline constexpr std::u16string_view kApiViewExecute = u"MsiViewExecute";
inline constexpr std::u16string_view kApiViewFetch = u"MsiViewFetch";
inline constexpr std::u16string_view kApiRecordGetString = u"MsiRecordGetString";
inline constexpr std::u16string_view kApiRecordSetString = u"MsiRecordSetString";
// Binding an integer to a query's marker (QueryFirstRecord).
inline constexpr std::u16string_view kApiRecordSetInteger = u"MsiRecordSetInteger";
inline constexpr std::u16string_view kApiOpenDatabaseView = u"MsiOpenDatabaseView";
inline constexpr std::u16string_view kApiOpenDatabase = u"MsiOpenDatabase";

// The template used when the last-error record carries none of its own.
inline constexpr char16_t kInstallerErrorTemplate[] =
    u"Windows Installer Error [1]: [2]{, [3]}{, [4]}{, [5]}\n";

// Builds "<installer message><apiName>(<arg1>[, <arg2>])", publishes it as the thread's error
// information and throws CComException with the HRESULT of `code` (Win32 facility for a
// positive code).
void ThrowMsiResult(UINT code, std::u16string_view apiName, std::u16string_view arg1,
                    std::u16string_view arg2);

// Does nothing for 0, otherwise ThrowMsiResult. Inline: every installer call is checked.
inline void CheckMsiResult(UINT code, std::u16string_view apiName, std::u16string_view arg1 = {},
                           std::u16string_view arg2 = {}) {
    if (code != 0) {
        ThrowMsiResult(code, apiName, arg1, arg2);
    }
}

// The message part alone: the formatted last-error record, or the system's text for hr, or "".
// Takes (and closes) the thread's last-error record.
std::u16string InstallerErrorMessage(int32_t hr);

} // namespace vx
