#pragma once
// The page's fonts, derived from the desktop's general font: the normal font takes its face and
// size, the bold font the same at weight 700, the heading font is bold and larger. A font of the
// ANSI character set, and one whose face is a legacy bitmap face or empty, becomes "Tahoma".

#include <QFont>

#include <string>

class QWidget;

namespace vx {

inline constexpr int kAnsiCharSet = 0;
inline constexpr int kDefaultCharSet = 1;

struct GuiFontInfo {
    std::u16string face;
    int points = 8;
    int charSet = kDefaultCharSet;
};

struct PageFontDescription {
    std::u16string face;
    int points = 8;
    int weight = 400;
    int charSet = kDefaultCharSet;
};

struct PageFontSet {
    PageFontDescription normal;
    PageFontDescription bold;
    PageFontDescription heading;
};

PageFontSet ComputePageFonts(const GuiFontInfo& gui);

// The desktop's general font as a GUI font: its family, its size in whole points (from its
// pixel size at `dpi` when it is given in pixels; 8 without a resolution), and the default
// character set, since Qt's fonts are not bound to a Windows character set.
GuiFontInfo DesktopGuiFont(int dpi);

// The font of `font` for a display of `dpi` dots per inch: its pixel height is points * dpi / 72,
// rounded to the nearest pixel.
QFont MakePageFont(const PageFontDescription& font, int dpi);

} // namespace vx
