#include "ide/framework/widgets/wrkspace_view.h"

#include "ide/framework/widgets/wrkspace_doc.h"
#include "ide/framework/widgets/wrkspace_frame.h"

#include <QResizeEvent>

namespace vx {

CVXWrkSpaceView::CVXWrkSpaceView(UINT templateId, QWidget* parent)
    : QWidget(parent), m_templateId(templateId) {}

CVXWrkSpaceView::~CVXWrkSpaceView() {
    SetDocument(nullptr);
}

void CVXWrkSpaceView::SetDocument(CVXWrkSpaceDoc* document) {
    if (m_document == document) {
        return;
    }
    if (m_document) {
        m_document->RemoveView(this);
    }
    m_document = document;
    if (m_document) {
        m_document->AddView(this);
    }
}

CVXWrkSpaceFrame* CVXWrkSpaceView::GetParentFrame() const {
    for (QWidget* up = parentWidget(); up; up = up->parentWidget()) {
        if (auto* frame = qobject_cast<CVXWrkSpaceFrame*>(up)) {
            return frame;
        }
    }
    return nullptr;
}

bool CVXWrkSpaceView::IsActiveWorkspace() const {
    return m_document && m_document->IsActiveWorkspace();
}

void CVXWrkSpaceView::InitialUpdate() {
    if (!m_initialUpdateDone) {
        m_initialUpdateDone = true;
        OnInitialUpdate();
    }
}

LRESULT CVXWrkSpaceView::OnMessage(UINT, WPARAM, LPARAM) {
    return 0;
}

void CVXWrkSpaceView::OnUpdate(CVXWrkSpaceView*, LPARAM, CUpdateHint*) {
    update();
}

void CVXWrkSpaceView::OnFilter(const QString&) {}

void CVXWrkSpaceView::OnInitialUpdate() {
    OnUpdate(nullptr, HINT_GENERAL_REFRESH, nullptr);
}

void CVXWrkSpaceView::OnSize(int, int) {}

void CVXWrkSpaceView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    OnSize(event->size().width(), event->size().height());
}

} // namespace vx
