#pragma once
// vxpatch commands that take original files out of a package: extract and extract-all.

#include "apps/vxpatch/command_table.h"

namespace vx::cli {

void AddExtractCommands(CommandTable& table);

} // namespace vx::cli
