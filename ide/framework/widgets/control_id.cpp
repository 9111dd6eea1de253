#include "ide/framework/widgets/control_id.h"

#include <QWidget>

namespace vx {
namespace {

constexpr QLatin1StringView kIdPrefix("id_");

} // namespace

QString ControlObjectName(UINT id) {
    return kIdPrefix + QString::number(id);
}

void SetDlgCtrlID(QWidget* widget, UINT id) {
    widget->setObjectName(ControlObjectName(id));
}

UINT GetDlgCtrlID(const QWidget* widget) {
    if (!widget) {
        return 0;
    }
    const QString name = widget->objectName();
    if (!name.startsWith(kIdPrefix)) {
        return 0;
    }
    bool ok = false;
    const uint id = QStringView(name).mid(kIdPrefix.size()).toUInt(&ok);
    return ok ? id : 0;
}

QWidget* FindDlgItem(const QWidget* parent, UINT id) {
    return parent ? parent->findChild<QWidget*>(ControlObjectName(id)) : nullptr;
}

} // namespace vx
