#include "ide/framework/widgets/wrkspace_frame.h"

#include "ide/framework/widgets/wrkspace_view.h"

#include <QVBoxLayout>

namespace vx {

CVXWrkSpaceFrame::CVXWrkSpaceFrame(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
}

void CVXWrkSpaceFrame::SetView(CVXWrkSpaceView* view) {
    if (m_view) {
        layout()->removeWidget(m_view);
    }
    m_view = view;
    if (view) {
        layout()->addWidget(view);
    }
}

void CVXWrkSpaceFrame::RecalcLayout() {
    layout()->activate();
}

} // namespace vx
