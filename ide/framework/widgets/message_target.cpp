#include "ide/framework/widgets/message_target.h"

#include <QWidget>

namespace vx {

LRESULT SendMessageToOwner(QWidget* from, UINT message, WPARAM wParam, LPARAM lParam) {
    for (QWidget* w = from ? from->parentWidget() : nullptr; w; w = w->parentWidget()) {
        if (auto* target = dynamic_cast<CVXMessageTarget*>(w)) {
            return target->OnMessage(message, wParam, lParam);
        }
    }
    return 0;
}

} // namespace vx
