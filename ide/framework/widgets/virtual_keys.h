#pragma once
// Qt keys as virtual-key codes, for the OnKeyDown handlers of the framework's controls.

#include "ide/framework/widgets/win_types.h"

class QKeyEvent;

namespace vx {

// The virtual-key code of the event's key: letters and digits as their upper-case ASCII
// codes, the named keys of win_types.h; 0 for any other key.
UINT VirtualKeyOf(const QKeyEvent& event);

} // namespace vx
