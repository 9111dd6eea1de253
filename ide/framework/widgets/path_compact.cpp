#include "ide/framework/widgets/path_compact.h"

#include <QFontMetrics>
#include <QWidget>

namespace vx {

QString VXPathCompactPath(const QString& path, int width, const QFontMetrics& metrics) {
    if (metrics.horizontalAdvance(path) <= width) {
        return path;
    }
    const QString ellipsis = QStringLiteral("...");
    const qsizetype separator =
        std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    const QString tail = separator < 0 ? path : path.mid(separator);
    // The longest start of the folder that leaves room for the tail, found by halving.
    qsizetype low = 0;
    qsizetype high = separator < 0 ? 0 : separator;
    if (metrics.horizontalAdvance(ellipsis + tail) > width) {
        return metrics.elidedText(separator < 0 ? path : path.mid(separator + 1), Qt::ElideRight,
                                  width);
    }
    while (low < high) {
        const qsizetype mid = (low + high + 1) / 2;
        if (metrics.horizontalAdvance(path.left(mid) + ellipsis + tail) <= width) {
            low = mid;
        } else {
            high = mid - 1;
        }
    }
    return path.left(low) + ellipsis + tail;
}

QString VXPathCompactPath(const QWidget* window, const QString& path, int width) {
    return VXPathCompactPath(path, width, window->fontMetrics());
}

} // namespace vx
