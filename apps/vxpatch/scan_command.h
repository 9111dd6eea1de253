#pragma once
// vxpatch scan: the update scan of a project's original package against a folder of the updated
// product's files, and the patch entries it proposes.

#include "apps/vxpatch/command_table.h"

namespace vx::cli {

void AddScanCommand(CommandTable& table);

} // namespace vx::cli
