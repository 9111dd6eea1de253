#pragma once
// The base of the right-pane forms: a form view whose controls come from a dialog template,
// here a Qt Designer file compiled by uic, where every control that code or tests address is
// named after its id ("id_233", control_id.h). The form scrolls when its pane is smaller than
// the template.
//
// Control notifications reach OnCommand (a button clicked: BN_CLICKED; a combo box's selection
// chosen: CBN_SELCHANGE), messages from the form's controls (a CVXEdit's commit, 0x9DD) reach
// OnMessage, and showing or hiding the form OnShowWindow.

#include "ide/framework/widgets/message_target.h"

#include <QScrollArea>

namespace vx {

// Fills an empty widget with a template's controls.
using FormTemplateBuilder = void (*)(QWidget* form);

// The builder of a uic-generated class (the Designer file's top-level widget a QWidget).
template <class Ui> void BuildFromUi(QWidget* form) {
    Ui ui;
    ui.setupUi(form);
}

class CVXAttributeForm : public QScrollArea, public CVXMessageTarget {
    Q_OBJECT

public:
    CVXAttributeForm(UINT templateId, FormTemplateBuilder builder, QWidget* parent = nullptr);

    // Builds the template's controls and makes the form a child of `parent` with control id
    // `id`; WS_VISIBLE shows it. False when the form exists already.
    bool Create(QWidget* parent, UINT id, uint32_t style = WS_CHILD | WS_VISIBLE,
                const QRect& rect = {});
    bool IsCreated() const { return m_created; }
    UINT GetTemplateId() const { return m_templateId; }
    UINT GetDlgCtrlID() const;

    // The control with id `id`, or null.
    QWidget* GetDlgItem(UINT id) const;
    template <class T> T* GetDlgItemAs(UINT id) const { return dynamic_cast<T*>(GetDlgItem(id)); }
    // A check box's or radio button's state (BST_CHECKED, BST_UNCHECKED, BST_INDETERMINATE);
    // BST_UNCHECKED for any other control.
    int GetBtnState(UINT id) const;
    bool SetBtnState(UINT id, int state);
    bool SetWndEnable(UINT id, bool enable);
    // The text of a label, edit, button or combo box.
    QString GetDlgItemText(UINT id) const;
    bool SetDlgItemText(UINT id, const QString& text);

    // Commits the edit that has the focus when its text changed (CVXEdit); a page calls this
    // before it moves the author elsewhere.
    static void CommitEditControl();

    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    virtual void OnCommand(UINT id, UINT notifyCode);
    virtual void OnShowWindow(bool show);

    // The widget that holds the template's controls.
    QWidget* Template() const { return m_template; }

    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void ConnectNotifications();

    UINT m_templateId;
    FormTemplateBuilder m_builder;
    QWidget* m_template = nullptr;
    bool m_created = false;
};

} // namespace vx
