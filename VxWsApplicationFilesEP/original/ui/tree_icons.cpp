#include "VxWsApplicationFilesEP/original/ui/tree_icons.h"

#include <QBitmap>
#include <QColor>
#include <QPixmap>

// A resource compiled into a static library is registered only when asked for by name.
static void InitTreeIconResources() {
    Q_INIT_RESOURCE(tree_icons);
}

namespace vx {
namespace {

QPixmap Masked(const QString& path, qreal ratio) {
    QPixmap pixmap(path);
    if (!pixmap.isNull()) {
        pixmap.setMask(pixmap.createMaskFromColor(QColor(255, 0, 255), Qt::MaskInColor));
        pixmap.setDevicePixelRatio(ratio);
    }
    return pixmap;
}

} // namespace

QIcon LoadTreeIcon(const QString& name) {
    static const bool registered = (InitTreeIconResources(), true);
    (void)registered;
    const QString base = QStringLiteral(":/tree_icons/") + name;
    QIcon icon;
    if (const QPixmap single = Masked(base + QStringLiteral(".png"), 1); !single.isNull()) {
        icon.addPixmap(single);
        if (const QPixmap twice = Masked(base + QStringLiteral("@2x.png"), 2); !twice.isNull()) {
            icon.addPixmap(twice);
        }
    }
    return icon;
}

} // namespace vx
