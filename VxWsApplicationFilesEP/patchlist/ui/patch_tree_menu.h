#pragma once
// Menu 207, the Files To Patch tree's context menu, and its commands.

#include "ide/framework/widgets/context_menu.h"

namespace vx {

inline constexpr UINT IDR_PATCH_TREE_MENU = 207;
inline constexpr UINT ID_PATCH_EXISTING_FILE = 32768;
inline constexpr UINT ID_DELETE_PATCH_FILE = 32769;
inline constexpr UINT ID_INSERT_NEW_FILE = 32770;

// The menu's one popup: Delete, Patch Existing File, Insert New File, in that order.
CVXMenu LoadPatchTreeMenu();

} // namespace vx
