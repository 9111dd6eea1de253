#pragma once
// Column positions (1-based record fields) of the installer tables that the page reads with
// "SELECT *", as the Windows Installer database schema orders them.

#include "platform/msi/msi_api.h"

namespace vx {

// File: File, Component_, FileName, FileSize, Version, Language, Attributes, Sequence.
inline constexpr UINT kFileKey = 1;
inline constexpr UINT kFileComponent = 2;
inline constexpr UINT kFileName = 3;
inline constexpr UINT kFileVersion = 5;
inline constexpr UINT kFileLanguage = 6;
inline constexpr UINT kFileAttributes = 7;
inline constexpr UINT kFileSequence = 8;

// Component: Component, ComponentId, Directory_, Attributes, Condition, KeyPath.
inline constexpr UINT kComponentKey = 1;
inline constexpr UINT kComponentDirectory = 3;
inline constexpr UINT kComponentKeyPath = 6;

// Directory: Directory, Directory_Parent, DefaultDir.
inline constexpr UINT kDirectoryKey = 1;
inline constexpr UINT kDirectoryParent = 2;
inline constexpr UINT kDefaultDir = 3;

// Property: Property, Value.
inline constexpr UINT kPropertyValue = 2;

// Media: DiskId, LastSequence, ...
inline constexpr UINT kMediaDiskId = 1;
inline constexpr UINT kMediaLastSequence = 2;

} // namespace vx
