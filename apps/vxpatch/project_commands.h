#pragma once
// vxpatch commands that make and edit patch projects: new, info, list, add, add-new, set, remove.

#include "apps/vxpatch/command_table.h"

namespace vx::cli {

void AddProjectCommands(CommandTable& table);

} // namespace vx::cli
