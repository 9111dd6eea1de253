#include "ide/framework/widgets/vx_edit.h"

#include "ide/framework/widgets/control_id.h"
#include "ide/framework/widgets/message_target.h"

#include <QFocusEvent>
#include <QKeyEvent>

namespace vx {

CVXEdit::CVXEdit(QWidget* parent) : QLineEdit(parent) {}

UINT CVXEdit::GetDlgCtrlID() const {
    return vx::GetDlgCtrlID(this);
}

void CVXEdit::Commit() {
    setModified(false);
    const UINT id = GetDlgCtrlID();
    SendMessageToOwner(this, WM_VX_EDITCOMMIT, id, 0);
    emit Committed(id);
}

void CVXEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Commit();
        event->accept(); // the form has no default button to press
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void CVXEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // The edit's own context menu takes the focus only for a moment.
    if (event->reason() != Qt::PopupFocusReason && isModified()) {
        Commit();
    }
}

} // namespace vx
