#pragma once
// The framework's path helpers that need no window.

#include <string>
#include <string_view>

namespace vx {

// The long part of an installer name written short|long; a name without "|" after its first
// character is returned as it stands.
std::u16string UtilRemoveShortName(std::u16string_view name);

} // namespace vx
