// CVXTreeCtrl as a drag source and as a drop target (tree_ctrl.h).

#include "ide/framework/widgets/drag_mime.h"
#include "ide/framework/widgets/image_list.h"
#include "ide/framework/widgets/tree_ctrl.h"
#include "ide/framework/widgets/tree_model.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QMimeData>

namespace vx {

void CVXTreeCtrl::OnBeginDrag(HTREEITEM item, bool) {
    if (!m_dragSource || !item) {
        return;
    }
    std::unique_ptr<CDragDropData> record = CreateDragDropData(item);
    if (!record) {
        return;
    }
    ComPtr<IStream> stream;
    std::unique_ptr<QMimeData> mime = SaveDragRecord(*record, &stream);
    auto* drag = new QDrag(this); // Qt deletes it when the drag is over
    drag->setMimeData(mime.release());
    if (const CVXImageList* images = GetImageList()) {
        drag->setPixmap(images->Icon(item->image).pixmap(images->ImageSize()));
    }
    // The source keeps nothing of what it drags: every effect is offered, copy first.
    drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::CopyAction);
    record->FreeResources(stream.Get());
}

std::unique_ptr<CDragDropData> CVXTreeCtrl::CreateDragDropData(HTREEITEM) {
    return nullptr;
}

DROPEFFECT CVXTreeCtrl::CheckTreeForDropEffect(CDragDropData*, uint32_t, HTREEITEM) {
    return DROPEFFECT_NONE;
}

bool CVXTreeCtrl::OnTreeDrop(CDragDropData*, DROPEFFECT, HTREEITEM) {
    return false;
}

CDragDropData* CVXTreeCtrl::DragRecordFor(const QMimeData* mime) {
    if (mime != m_dragMime) {
        m_dragMime = mime;
        m_dragRecord = LoadDragRecord(mime);
    }
    return m_dragRecord.get();
}

uint32_t CVXTreeCtrl::KeyStateOf(const QDropEvent* event) {
    uint32_t state = 0;
    const Qt::MouseButtons buttons = event->buttons();
    const Qt::KeyboardModifiers keys = event->modifiers();
    state |= (buttons & Qt::LeftButton) ? MK_LBUTTON : 0;
    state |= (buttons & Qt::RightButton) ? MK_RBUTTON : 0;
    state |= (buttons & Qt::MiddleButton) ? MK_MBUTTON : 0;
    state |= (keys & Qt::ShiftModifier) ? MK_SHIFT : 0;
    state |= (keys & Qt::ControlModifier) ? MK_CONTROL : 0;
    state |= (keys & Qt::AltModifier) ? MK_ALT : 0;
    return state;
}

void CVXTreeCtrl::AnswerDragOver(QDropEvent* event) {
    CDragDropData* record = m_dropTarget ? DragRecordFor(event->mimeData()) : nullptr;
    const DROPEFFECT effect = record ? CheckTreeForDropEffect(record, KeyStateOf(event),
                                                              HitTest(event->position().toPoint()))
                                     : DROPEFFECT_NONE;
    const auto action = static_cast<Qt::DropAction>(effect);
    if (effect != DROPEFFECT_NONE && (event->possibleActions() & action)) {
        event->setDropAction(action);
        event->accept();
    } else {
        event->ignore();
    }
}

void CVXTreeCtrl::dragEnterEvent(QDragEnterEvent* event) {
    // Entered only by a record we can read; whether it may drop is decided as it moves.
    if (m_dropTarget && DragRecordFor(event->mimeData())) {
        event->accept();
    } else {
        event->ignore();
    }
}

void CVXTreeCtrl::dragMoveEvent(QDragMoveEvent* event) {
    QTreeView::dragMoveEvent(event); // scrolls near the edges
    AnswerDragOver(event);
}

void CVXTreeCtrl::dragLeaveEvent(QDragLeaveEvent* event) {
    QTreeView::dragLeaveEvent(event);
    m_dragMime = nullptr;
    m_dragRecord.reset();
}

void CVXTreeCtrl::dropEvent(QDropEvent* event) {
    stopAutoScroll();
    setState(NoState);
    viewport()->update();
    AnswerDragOver(event);
    // The drag is over even when the drop's work raises.
    const std::unique_ptr<CDragDropData> record = std::move(m_dragRecord);
    m_dragMime = nullptr;
    if (event->isAccepted()) {
        OnTreeDrop(record.get(), static_cast<DROPEFFECT>(event->dropAction()),
                   HitTest(event->position().toPoint()));
    }
}

} // namespace vx
