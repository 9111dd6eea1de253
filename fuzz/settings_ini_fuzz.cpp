// Fuzzes the reader of the INI settings files (machine settings, the IDE's options).

#include "platform/sys/machine_settings.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    (void)vx::FindIniValue(text, u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                           u"CommonFilesDir");
    (void)vx::FindIniValue(text, u"", u"");
    return 0;
}
