// Feeds arbitrary bytes to the version-resource reader: it must answer a code for every input,
// never crash, hang or read outside the buffer (the sanitizers watch the latter).
#include "platform/msi/file_version.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vx::msi::FileVersionInfo info;
    const vx::Win32Error result = vx::msi::ReadFileVersion(std::span(data, size), info);
    const bool known = result == vx::ERROR_SUCCESS || result == vx::ERROR_FILE_INVALID ||
                       result == vx::ERROR_INVALID_DATA;
    // A failure leaves nothing behind; a success always has a version.
    if (!known || (result != vx::ERROR_SUCCESS) != info.version.empty() ||
        (result != vx::ERROR_SUCCESS && !info.language.empty())) {
        std::abort();
    }
    return 0;
}
