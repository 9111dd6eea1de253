#pragma once
// Windows Installer's own error numbers for the failures the engine reports in its last-error
// record. Their texts (for reference; the record carries only the number and the fields):
//   2203 Database: [2]. Cannot open database file. System error [3].
//   2227 Database: [2]. Invalid identifier '[3]' in SQL query: [4].
//   2228 Database: [2]. Unknown table '[3]' in SQL query: [4].
//   2234 Database: [2]. Unexpected token '[3]' in SQL query: [4].
//   2235 Database: [2]. Column '[3]' not present or ambiguous in SQL query: [4].
//   2262 Stream does not exist: [2]. System error: [3].

#include <cstdint>

namespace vx::msi {

inline constexpr uint32_t kErrorCannotOpenDatabase = 2203;
inline constexpr uint32_t kErrorInvalidIdentifier = 2227;
inline constexpr uint32_t kErrorUnknownTable = 2228;
inline constexpr uint32_t kErrorUnexpectedToken = 2234;
inline constexpr uint32_t kErrorUnknownColumn = 2235;
inline constexpr uint32_t kErrorStreamMissing = 2262;

} // namespace vx::msi
