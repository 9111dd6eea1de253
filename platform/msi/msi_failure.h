#pragma once
// The failure the engine's internals raise. The C API catches it at its boundary, answers `code`
// and leaves a last-error record (Windows Installer error number and its fields) for
// MsiGetLastErrorRecord, so that messages read as Windows Installer's do.

#include "platform/sys/win32_errors.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace vx::msi {

struct MsiFailure {
    Win32Error code = ERROR_FUNCTION_FAILED; // what the API call answers
    uint32_t installerError = 0;             // field 1 of the last-error record; 0 = no record
    std::vector<std::u16string> fields;      // fields 2, 3, ... of the record
    std::u16string detail;                   // for logs and the command line: what was wrong
};

[[noreturn]] inline void ThrowMsiFailure(Win32Error code, uint32_t installerError,
                                         std::vector<std::u16string> fields,
                                         std::u16string detail) {
    throw MsiFailure{code, installerError, std::move(fields), std::move(detail)};
}

// Damaged or unreadable package content: ERROR_INSTALL_PACKAGE_INVALID with `detail` saying
// what was found (for example "FAT chain of stream 'File' loops at sector 17").
[[noreturn]] inline void ThrowDamaged(std::u16string detail) {
    throw MsiFailure{ERROR_INSTALL_PACKAGE_INVALID, 0, {}, std::move(detail)};
}

} // namespace vx::msi
