#pragma once
// The page's string table: the texts shown to the author, by their resource ids.

#include <cstdint>
#include <string_view>

namespace vx {

inline constexpr uint32_t IDS_CONTROL_TYPE_NAME = 1;
inline constexpr uint32_t IDS_ORIGINAL_SETUP_FILES = 2;
inline constexpr uint32_t IDS_FILES_TO_PATCH = 3;
inline constexpr uint32_t IDS_SAME_FILE_TWICE = 4;
inline constexpr uint32_t IDS_COLUMN_NAME = 9;
inline constexpr uint32_t IDS_COLUMN_DESTINATION = 10;
inline constexpr uint32_t IDS_FILE_NOT_IN_ORIGINAL = 13;
inline constexpr uint32_t IDS_NO_FILE_VERSION = 14;
inline constexpr uint32_t IDS_ALL_FILES_FILTER = 15;
inline constexpr uint32_t IDS_ORIGINAL_PACKAGE_MISSING = 16;
inline constexpr uint32_t IDS_COLUMN_FILE_KEY = 17;
inline constexpr uint32_t IDS_COLUMN_COMPONENT = 18;
// Beyond the page's own table: the warning about new files that register themselves.
inline constexpr uint32_t IDS_NEW_FILE_REGISTRATION_WARNING = 101;
// The same warning as the new-file form's note beside its two boxes.
inline constexpr uint32_t IDS_NEW_FILE_REGISTRATION_NOTE = 102;

// The text of a string resource; empty for an id the table does not have.
std::u16string_view LoadStringResource(uint32_t id);

} // namespace vx
