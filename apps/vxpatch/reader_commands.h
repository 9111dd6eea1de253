#pragma once
// vxpatch commands over the package object: dir, dirs, compare-versions, compare, product.

#include "apps/vxpatch/command_table.h"

namespace vx::cli {

void AddReaderCommands(CommandTable& table);

} // namespace vx::cli
