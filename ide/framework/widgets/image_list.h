#pragma once
// An image list: small images of one size, addressed by index in the order they were added, as
// the trees draw them next to their items.

#include <QColor>
#include <QIcon>
#include <QSize>
#include <vector>

class QPixmap;

namespace vx {

class CVXImageList {
public:
    explicit CVXImageList(QSize imageSize = QSize(16, 16)) : m_size(imageSize) {}

    // Adds the images of a bitmap strip (each as wide as the list's images; a bitmap narrower
    // than that is one image), drawing every pixel of colour `transparent` transparent. Answers
    // the index of the first image added, or -1 for an empty bitmap.
    int Add(const QPixmap& bitmap, QColor transparent);
    // Adds an icon, drawn at the list's size. Answers its index, or -1 for a null icon.
    int Add(const QIcon& icon);

    int GetImageCount() const { return static_cast<int>(m_icons.size()); }
    QSize ImageSize() const { return m_size; }
    // The image at `index`; a null icon when there is none.
    QIcon Icon(int index) const;

private:
    QSize m_size;
    std::vector<QIcon> m_icons;
};

} // namespace vx
