#pragma once
// Window messages between our widgets, where the page's code expects them: a control that must
// tell its owner something (an edit committed) sends a message to the nearest ancestor that is a
// CVXMessageTarget, which handles it in OnMessage as a window procedure would.

#include "ide/framework/widgets/win_types.h"

class QWidget;

namespace vx {

class CVXMessageTarget {
public:
    // Answers the message's result; 0 when it is not handled.
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

protected:
    ~CVXMessageTarget() = default;
};

// Hands the message to the nearest ancestor of `from` (not `from` itself) that is a
// CVXMessageTarget and answers its result; 0 when there is none.
LRESULT SendMessageToOwner(QWidget* from, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace vx
