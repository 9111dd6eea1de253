#pragma once
// Paths shortened to a width for labels: the start of the path and its file name stay, the
// middle gives way to "...".

#include <QString>

class QFontMetrics;
class QWidget;

namespace vx {

// `path` as it fits in `width` pixels with `metrics`: unchanged when it fits; otherwise the
// longest start of its folder that fits followed by "..." and the last separator and file
// name; when even "..." and the file name do not fit, the file name cut at its end with "...".
// Both separators, "\" and "/", count.
QString VXPathCompactPath(const QString& path, int width, const QFontMetrics& metrics);
// The same with the font of `window`.
QString VXPathCompactPath(const QWidget* window, const QString& path, int width);

} // namespace vx
