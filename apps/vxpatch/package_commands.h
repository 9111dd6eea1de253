#pragma once
// vxpatch commands that read a package: tables, export, query, suminfo, streams, version.

#include "apps/vxpatch/command_table.h"

namespace vx::cli {

void AddPackageCommands(CommandTable& table);

} // namespace vx::cli
