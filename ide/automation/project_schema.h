#pragma once
// The project file's schema: how a new file is laid out, and the checks that an existing file is
// a project of a schema this version can work with. docs/project-format.md describes it.

#include "ide/automation/sqlite_connection.h"

#include <cstdint>

namespace vx {

// PRAGMA application_id of every project file.
inline constexpr int32_t kProjectApplicationId = 0x5658504A; // "VXPJ"
// PRAGMA user_version: the schema this version writes and the newest it reads.
inline constexpr int32_t kProjectSchemaVersion = 1;

// Longest values, in UTF-16 units. Keys and directory keys are installer identifiers.
inline constexpr size_t kMaxKeyLength = 72;
inline constexpr size_t kMaxPathLength = 32767;
inline constexpr size_t kMaxFeatureLength = 4096;
inline constexpr size_t kMaxPropertyLength = 32767;
inline constexpr size_t kMaxVariableNameLength = 64;

// Lays out an empty project in a new, empty database (inside the caller's transaction).
void CreateProjectSchema(SqliteConnection& connection);

// Throws the author's failure when the file is not one of our projects, is damaged, or has a
// newer schema. Reads only. Answers the file's schema version.
int32_t CheckProjectSchema(SqliteConnection& connection);

} // namespace vx
