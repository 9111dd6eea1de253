#pragma once
// Where the IDE keeps its own files on this machine, following the XDG base directories:
// state (the diagnostic log) under $XDG_STATE_HOME/vxide, settings in
// $XDG_CONFIG_HOME/vxide/vxide.ini, with the standard fallbacks under $HOME.

#include <string>

namespace vx {

inline constexpr char16_t kIdeFolderName[] = u"vxide";
inline constexpr char16_t kIdeSettingsFileName[] = u"vxide.ini";

// $XDG_STATE_HOME/vxide, or $HOME/.local/state/vxide. Empty when neither is known.
std::u16string IdeStateFolder();
// $XDG_CONFIG_HOME/vxide/vxide.ini, or $HOME/.config/vxide/vxide.ini. Empty when unknown.
std::u16string IdeSettingsFile();

} // namespace vx
