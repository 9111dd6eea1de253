#pragma once
// Control ids on Qt widgets. A control's id lives in its object name as "id_<decimal>" (id_233),
// the form Qt Designer files use, so that code and tests find a control by the id the page's
// resources give it.

#include "ide/framework/widgets/win_types.h"

#include <QString>

class QWidget;

namespace vx {

// "id_<id>".
QString ControlObjectName(UINT id);
// Names `widget` after `id`.
void SetDlgCtrlID(QWidget* widget, UINT id);
// The id in the widget's object name, or 0 when it carries none.
UINT GetDlgCtrlID(const QWidget* widget);
// A descendant of `parent` whose id is `id` (direct children first), or null.
QWidget* FindDlgItem(const QWidget* parent, UINT id);

} // namespace vx
