#include "VxWsApplicationFilesEP/shell/page_fonts.h"

#include <QFontDatabase>

#include <cmath>

namespace vx {

PageFontSet ComputePageFonts(const GuiFontInfo& gui) {
    std::u16string face = gui.face;
    int points = gui.points;
    if (face == u"MS Sans Serif" || face == u"System") {
        face.clear();
    }
    if (gui.charSet == kAnsiCharSet) {
        face = u"Tahoma";
        points = 8;
    } else if (face.empty()) {
        face = u"Tahoma";
    }
    PageFontSet fonts;
    fonts.normal = {face, points, 400, gui.charSet};
    fonts.bold = {face, points, 700, gui.charSet};
    fonts.heading = {face, points + (gui.charSet == kAnsiCharSet ? 4 : 3), 700, gui.charSet};
    return fonts;
}

GuiFontInfo DesktopGuiFont(int dpi) {
    const QFont general = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    GuiFontInfo gui;
    gui.face = general.family().toStdU16String();
    if (general.pointSize() > 0) {
        gui.points = general.pointSize();
    } else if (dpi > 0 && general.pixelSize() > 0) {
        gui.points = general.pixelSize() * 72 / dpi;
    }
    gui.charSet = kDefaultCharSet;
    return gui;
}

QFont MakePageFont(const PageFontDescription& description, int dpi) {
    QFont font(QString::fromStdU16String(description.face));
    // Half a pixel and more rounds away from zero.
    const int pixels = static_cast<int>(std::lround(static_cast<double>(description.points) * dpi / 72.0));
    font.setPixelSize(std::max(1, pixels));
    font.setWeight(description.weight >= 700 ? QFont::Bold : QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

} // namespace vx
