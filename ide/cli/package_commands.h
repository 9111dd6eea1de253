#pragma once
// vxpatch commands that read a package: tables, export, query, suminfo, streams, version.

#include "ide/cli/command_table.h"

namespace vx::cli {

void AddPackageCommands(CommandTable& table);

} // namespace vx::cli
