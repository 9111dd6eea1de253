#include "ide/framework/widgets/image_list.h"

#include <QBitmap>
#include <QPixmap>

namespace vx {

int CVXImageList::Add(const QPixmap& bitmap, QColor transparent) {
    if (bitmap.isNull()) {
        return -1;
    }
    const int first = GetImageCount();
    const int count = std::max(1, bitmap.width() / m_size.width());
    for (int i = 0; i < count; ++i) {
        QPixmap image = bitmap.copy(i * m_size.width(), 0, m_size.width(), m_size.height());
        image.setMask(image.createMaskFromColor(transparent, Qt::MaskInColor));
        m_icons.emplace_back(image);
    }
    return first;
}

int CVXImageList::Add(const QIcon& icon) {
    if (icon.isNull()) {
        return -1;
    }
    m_icons.emplace_back(icon.pixmap(m_size));
    return GetImageCount() - 1;
}

QIcon CVXImageList::Icon(int index) const {
    return index >= 0 && index < GetImageCount() ? m_icons[static_cast<size_t>(index)] : QIcon();
}

} // namespace vx
