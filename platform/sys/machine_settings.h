#pragma once
// The few machine-wide values that Windows keeps in its registry and the IDE reads, kept here in
// an INI file. The file is /etc/veyrix/machine.ini unless the environment variable
// VX_MACHINE_SETTINGS names another one (tests do). Sections are registry key paths, for example
//
//   [HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion]
//   CommonFilesDir=/opt/veyrix/common
//
// Key paths and value names compare without regard to case, as the registry's do.

#include <optional>
#include <string>
#include <string_view>

namespace vx {

inline constexpr char kMachineSettingsEnv[] = "VX_MACHINE_SETTINGS";
inline constexpr char kDefaultMachineSettingsFile[] = "/etc/veyrix/machine.ini";

// The file that is read: the environment's choice or the default.
std::u16string MachineSettingsFile();

// The value of `valueName` in section `section` of the INI file at `file`, or nullopt when the
// file (or a file over 1 MiB), the section or the value is missing. Sections and names compare
// without regard to ASCII case.
std::optional<std::u16string> ReadIniValue(std::u16string_view file, std::u16string_view section,
                                           std::u16string_view valueName);

// The same search over INI text already read (UTF-8).
std::optional<std::u16string> FindIniValue(std::string_view text, std::u16string_view section,
                                           std::u16string_view valueName);

// The value, or nullopt when the file, the key or the value is missing.
std::optional<std::u16string> ReadMachineSetting(std::u16string_view keyPath,
                                                 std::u16string_view valueName);

// "CommonFilesDir" of HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion; empty when
// it is not set.
std::u16string GetCommonFilesDir();

} // namespace vx
