#pragma once
// Installer stream names. Windows Installer packs the names of its streams into fewer UTF-16
// units than they have characters, so that table names fit the 31 units a compound-file name
// may hold: each of the 64 characters [0-9A-Za-z._] has a 6-bit value, a pair of them becomes one
// unit 0x3800 + first + (second << 6), a single one 0x4800 + value. A leading 0x4840 marks the
// stream of a table (or of the string pool). Other characters are stored as they are.

#include <string>
#include <string_view>

namespace vx::msi {

inline constexpr char16_t kTableStreamMark = 0x4840;

struct DecodedStreamName {
    std::u16string name;
    bool isTable = false; // the stored name began with the table mark
};

DecodedStreamName DecodeStreamName(std::u16string_view stored);

// The stored form Windows Installer gives `name`: runs of packable characters are packed two by
// two, anything else is kept. `table` prefixes the table mark.
std::u16string EncodeStreamName(std::u16string_view name, bool table);

} // namespace vx::msi
