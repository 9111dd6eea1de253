#pragma once
// The forms' edit control. An edit is committed when the author presses Enter in it, or when
// the focus leaves it after its text changed; the edit then sends its form the message
// WM_VX_EDITCOMMIT (0x9DD) with its control id as wParam (message_target.h: the nearest
// ancestor that is a CVXMessageTarget handles it in OnMessage) and emits Committed. Text set by
// the program is not a change.
//
// In a Designer file, an edit that commits is a QLineEdit promoted to vx::CVXEdit.

#include "ide/framework/widgets/win_types.h"

#include <QLineEdit>

namespace vx {

class CVXEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit CVXEdit(QWidget* parent = nullptr);

    UINT GetDlgCtrlID() const;
    // True while the text has changed since it was set or last committed.
    bool HasPendingEdit() const { return isModified(); }
    // Commits the edit now: the message and the signal, once.
    void Commit();

signals:
    void Committed(UINT id);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

} // namespace vx
