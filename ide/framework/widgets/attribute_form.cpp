#include "ide/framework/widgets/attribute_form.h"

#include "ide/framework/widgets/control_id.h"
#include "ide/framework/widgets/vx_edit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QShowEvent>

namespace vx {

CVXAttributeForm::CVXAttributeForm(UINT templateId, FormTemplateBuilder builder, QWidget* parent)
    : QScrollArea(parent), m_templateId(templateId), m_builder(builder) {
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
}

bool CVXAttributeForm::Create(QWidget* parent, UINT id, uint32_t style, const QRect& rect) {
    if (m_created || !m_builder) {
        return false;
    }
    m_template = new QWidget;
    m_builder(m_template);
    setWidget(m_template);
    ConnectNotifications();
    setParent(parent);
    if (rect.isValid()) {
        setGeometry(rect);
    }
    SetDlgCtrlID(this, id);
    m_created = true;
    setVisible((style & WS_VISIBLE) != 0);
    return true;
}

void CVXAttributeForm::ConnectNotifications() {
    for (QAbstractButton* button : m_template->findChildren<QAbstractButton*>()) {
        if (const UINT id = vx::GetDlgCtrlID(button)) {
            connect(button, &QAbstractButton::clicked, this,
                    [this, id] { OnCommand(id, BN_CLICKED); });
        }
    }
    for (QComboBox* combo : m_template->findChildren<QComboBox*>()) {
        if (const UINT id = vx::GetDlgCtrlID(combo)) {
            connect(combo, &QComboBox::activated, this,
                    [this, id] { OnCommand(id, CBN_SELCHANGE); });
        }
    }
}

UINT CVXAttributeForm::GetDlgCtrlID() const {
    return vx::GetDlgCtrlID(this);
}

QWidget* CVXAttributeForm::GetDlgItem(UINT id) const {
    return FindDlgItem(m_template, id);
}

int CVXAttributeForm::GetBtnState(UINT id) const {
    const auto* button = GetDlgItemAs<QAbstractButton>(id);
    if (!button || !button->isCheckable()) {
        return BST_UNCHECKED;
    }
    if (const auto* box = qobject_cast<const QCheckBox*>(button);
        box && box->checkState() == Qt::PartiallyChecked) {
        return BST_INDETERMINATE;
    }
    return button->isChecked() ? BST_CHECKED : BST_UNCHECKED;
}

bool CVXAttributeForm::SetBtnState(UINT id, int state) {
    auto* button = GetDlgItemAs<QAbstractButton>(id);
    if (!button || !button->isCheckable()) {
        return false;
    }
    if (auto* box = qobject_cast<QCheckBox*>(button); box && state == BST_INDETERMINATE) {
        box->setCheckState(Qt::PartiallyChecked);
        return true;
    }
    button->setChecked(state == BST_CHECKED);
    return true;
}

bool CVXAttributeForm::SetWndEnable(UINT id, bool enable) {
    QWidget* control = GetDlgItem(id);
    if (!control) {
        return false;
    }
    control->setEnabled(enable);
    return true;
}

QString CVXAttributeForm::GetDlgItemText(UINT id) const {
    const QWidget* control = GetDlgItem(id);
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        return label->text();
    }
    if (const auto* edit = qobject_cast<const QLineEdit*>(control)) {
        return edit->text();
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(control)) {
        return button->text();
    }
    if (const auto* combo = qobject_cast<const QComboBox*>(control)) {
        return combo->currentText();
    }
    return {};
}

bool CVXAttributeForm::SetDlgItemText(UINT id, const QString& text) {
    QWidget* control = GetDlgItem(id);
    if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(text);
    } else if (auto* combo = qobject_cast<QComboBox*>(control); combo && combo->isEditable()) {
        combo->setEditText(text);
    } else {
        return false;
    }
    return true;
}

void CVXAttributeForm::CommitEditControl() {
    if (auto* edit = qobject_cast<CVXEdit*>(QApplication::focusWidget());
        edit && edit->HasPendingEdit()) {
        edit->Commit();
    }
}

LRESULT CVXAttributeForm::OnMessage(UINT, WPARAM, LPARAM) {
    return 0;
}

void CVXAttributeForm::OnCommand(UINT, UINT) {}

void CVXAttributeForm::OnShowWindow(bool) {}

void CVXAttributeForm::showEvent(QShowEvent* event) {
    QScrollArea::showEvent(event);
    if (!event->spontaneous()) {
        OnShowWindow(true);
    }
}

void CVXAttributeForm::hideEvent(QHideEvent* event) {
    QScrollArea::hideEvent(event);
    if (!event->spontaneous()) {
        OnShowWindow(false);
    }
}

} // namespace vx
