#pragma once
// A new file that registers itself or has COM information extracted makes the patch add rows to
// SelfReg, Class, TypeLib and similar tables, and Windows Installer cannot uninstall a patch that
// adds such rows. The author is warned (a warning, not an error) when a new file's entry gets
// either setting: by a message when files are added and by `vxpatch set`, and by a note in the
// new-file form while either box is checked. Setting the flags itself never warns.

#include "ide/automation/project_interfaces.h"

namespace vx {

// True when the entry is a new file with self-registration or COM extraction on.
bool NewFileRegisters(IPatchFile* entry);
// Shows the warning through the message service when NewFileRegisters; answers whether it did.
bool WarnIfNewFileRegisters(IPatchFile* entry);

} // namespace vx
