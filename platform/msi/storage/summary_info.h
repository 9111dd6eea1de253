#pragma once
// The summary information stream ("\005SummaryInformation"): a property set whose first section
// holds the package's properties. Read: VT_I2, VT_I4, VT_LPSTR (in the code page that property
// 1 names) and VT_FILETIME; properties of other types are skipped. Every offset and length is
// checked against the stream; damage raises ThrowDamaged.

#include "platform/msi/storage/installer_storage.h"

#include <cstdint>
#include <map>
#include <span>

namespace vx::msi {

inline constexpr uint32_t kSummaryCodePage = 1;

// Property 1 (the code page) answers the code page number, 0..65535, whatever its sign as a
// stored 16-bit value; other VT_I2 values are sign-extended.
std::map<uint32_t, SummaryValue> ParseSummaryInformation(std::span<const uint8_t> stream);

} // namespace vx::msi
