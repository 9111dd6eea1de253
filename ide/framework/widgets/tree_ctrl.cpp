#include "ide/framework/widgets/tree_ctrl.h"

#include "ide/framework/widgets/control_id.h"
#include "ide/framework/drag_drop_data.h"
#include "ide/framework/widgets/image_list.h"
#include "ide/framework/widgets/tree_model.h"
#include "ide/framework/widgets/virtual_keys.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHeaderView>

#include <utility>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyledItemDelegate>

namespace vx {

// Draws the items as Qt does; asks the tree before an edit opens, and lends its style option
// to hit tests.
class CTreeItemDelegate final : public QStyledItemDelegate {
public:
    explicit CTreeItemDelegate(CVXTreeCtrl* tree) : QStyledItemDelegate(tree), m_tree(tree) {}

    using QStyledItemDelegate::initStyleOption;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        if (m_tree->OnBeginLabelEdit(m_tree->ItemFromIndex(index))) {
            return nullptr;
        }
        return QStyledItemDelegate::createEditor(parent, option, index);
    }

private:
    CVXTreeCtrl* m_tree;
};

CVXTreeCtrl::CVXTreeCtrl(QWidget* parent)
    : QTreeView(parent), m_model(new CTreeNodeModel(this)),
      m_delegate(new CTreeItemDelegate(this)) {
    setModel(m_model);
    setItemDelegate(m_delegate);
    setHeaderHidden(true);
    // As wide as the longest label shown (of at most the header's sample of rows), scrolling
    // sideways when the pane is narrower, rather than cutting labels short.
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    setUniformRowHeights(true);
    setSelectionMode(SingleSelection);
    setSelectionBehavior(SelectRows);
    setIconSize(QSize(16, 16));
    setDragEnabled(false); // drags start in mouseMoveEvent, for either button
    setDragDropMode(NoDragDrop);
    qRegisterMetaType<HTREEITEM>("vx::HTREEITEM"); // for queued connections and signal spies
    m_model->onRelease = [this](TreeNode* node) {
        if (node == m_bulkVisible) {
            m_bulkVisible = nullptr;
        }
        OnDeleteItem(node, node->data);
    };
    m_model->onLabelEdited = [this](TreeNode* node, const QString& text) {
        return OnEndLabelEdit(node, text);
    };
    ApplyStyle();
}

CVXTreeCtrl::~CVXTreeCtrl() {
    // The overrides are gone already: the nodes go without notifications.
    m_model->onRelease = nullptr;
    m_model->onLabelEdited = nullptr;
}

bool CVXTreeCtrl::Create(uint32_t style, const QRect& rect, QWidget* parent, UINT id) {
    setParent(parent);
    setGeometry(rect);
    m_style = style;
    vx::SetDlgCtrlID(this, id);
    ApplyStyle();
    setVisible((style & WS_VISIBLE) != 0);
    return true;
}

void CVXTreeCtrl::ModifyStyle(uint32_t remove, uint32_t add) {
    m_style = (m_style & ~remove) | add;
    ApplyStyle();
}

void CVXTreeCtrl::ApplyStyle() {
    setRootIsDecorated((m_style & TVS_LINESATROOT) != 0);
    const bool editable = (m_style & TVS_EDITLABELS) != 0;
    m_model->SetEditable(editable);
    setEditTriggers(editable ? EditKeyPressed | SelectedClicked : NoEditTriggers);
    m_model->SetCheckable((m_style & TVS_CHECKBOXES) != 0);
}

UINT CVXTreeCtrl::GetDlgCtrlID() const {
    return vx::GetDlgCtrlID(this);
}

void CVXTreeCtrl::Initialize(bool dragSource, bool dropTarget, bool, bool, bool) {
    m_dragSource = dragSource;
    m_dropTarget = dropTarget;
    setAcceptDrops(dropTarget);
    viewport()->setAcceptDrops(dropTarget);
}

void CVXTreeCtrl::SetImageList(const CVXImageList* images) {
    m_model->SetImageList(images);
    if (images) {
        setIconSize(images->ImageSize());
    }
    viewport()->update();
}

const CVXImageList* CVXTreeCtrl::GetImageList() const {
    return m_model->ImageList();
}

TreeNode* CVXTreeCtrl::Parent(HTREEITEM item) const {
    return !item || item == TVI_ROOT ? m_model->Root() : item;
}

HTREEITEM CVXTreeCtrl::InsertItem(const QString& label, int image, int selectedImage,
                                  HTREEITEM parent, HTREEITEM after) {
    return m_model->Insert(Parent(parent), after, label, image, selectedImage);
}

HTREEITEM CVXTreeCtrl::InsertItem(const QString& label, HTREEITEM parent, HTREEITEM after) {
    return InsertItem(label, -1, -1, parent, after);
}

HTREEITEM CVXTreeCtrl::InsertItems(CTreeNodeBuilder& nodes, HTREEITEM parent, HTREEITEM after) {
    return m_model->InsertNodes(Parent(parent), after, nodes);
}

bool CVXTreeCtrl::DeleteItem(HTREEITEM item) {
    if (!item) {
        return false;
    }
    if (item == TVI_ROOT) {
        return DeleteAllItems();
    }
    // A caret in what goes moves first, to the item before, after or above, with its
    // notification (Qt would move it only off the deleted item itself, and drop it silently
    // when it lies deeper).
    for (HTREEITEM caret = GetSelectedItem(); caret; caret = caret->parent) {
        if (caret == item) {
            HTREEITEM next = GetPrevSiblingItem(item);
            next = next ? next : GetNextSiblingItem(item);
            SelectItem(next ? next : GetParentItem(item));
            break;
        }
    }
    m_model->Remove(item);
    return true;
}

bool CVXTreeCtrl::DeleteAllItems() {
    if (GetSelectedItem()) {
        SelectItem(nullptr);
    }
    m_model->Clear();
    return true;
}

UINT CVXTreeCtrl::GetCount() const {
    return static_cast<UINT>(m_model->Count());
}

DWORD_PTR CVXTreeCtrl::GetItemData(HTREEITEM item) const {
    return item ? item->data : 0;
}

bool CVXTreeCtrl::SetItemData(HTREEITEM item, DWORD_PTR itemData) {
    if (!item) {
        return false;
    }
    item->data = itemData;
    return true;
}

QString CVXTreeCtrl::GetItemText(HTREEITEM item) const {
    return item ? item->label : QString();
}

bool CVXTreeCtrl::SetItemText(HTREEITEM item, const QString& text) {
    if (!item) {
        return false;
    }
    m_model->SetLabel(item, text);
    return true;
}

bool CVXTreeCtrl::GetItemImage(HTREEITEM item, int& image, int& selectedImage) const {
    if (!item) {
        return false;
    }
    image = item->image;
    selectedImage = item->selectedImage;
    return true;
}

bool CVXTreeCtrl::SetItemImage(HTREEITEM item, int image, int selectedImage) {
    if (!item) {
        return false;
    }
    m_model->SetImages(item, image, selectedImage);
    return true;
}

bool CVXTreeCtrl::GetCheck(HTREEITEM item) const {
    return item && item->checked;
}

bool CVXTreeCtrl::SetCheck(HTREEITEM item, bool checked) {
    if (!item) {
        return false;
    }
    m_model->SetChecked(item, checked);
    return true;
}

HTREEITEM CVXTreeCtrl::GetRootItem() const {
    const auto& top = m_model->Root()->children;
    return top.empty() ? nullptr : top.front();
}

HTREEITEM CVXTreeCtrl::GetChildItem(HTREEITEM item) const {
    const TreeNode* node = Parent(item);
    return node->children.empty() ? nullptr : node->children.front();
}

HTREEITEM CVXTreeCtrl::GetNextSiblingItem(HTREEITEM item) const {
    if (!item || item == TVI_ROOT) {
        return nullptr;
    }
    const auto& siblings = item->parent->children;
    const auto next = static_cast<size_t>(m_model->RowOf(item)) + 1;
    return next < siblings.size() ? siblings[next] : nullptr;
}

HTREEITEM CVXTreeCtrl::GetPrevSiblingItem(HTREEITEM item) const {
    if (!item || item == TVI_ROOT) {
        return nullptr;
    }
    const int row = m_model->RowOf(item);
    return row > 0 ? item->parent->children[static_cast<size_t>(row) - 1] : nullptr;
}

HTREEITEM CVXTreeCtrl::GetParentItem(HTREEITEM item) const {
    if (!item || item == TVI_ROOT || item->parent == m_model->Root()) {
        return nullptr;
    }
    return item->parent;
}

HTREEITEM CVXTreeCtrl::GetNextItem(HTREEITEM item, UINT code) const {
    switch (code) {
    case TVGN_ROOT:
        return GetRootItem();
    case TVGN_NEXT:
        return GetNextSiblingItem(item);
    case TVGN_PREVIOUS:
        return GetPrevSiblingItem(item);
    case TVGN_PARENT:
        return GetParentItem(item);
    case TVGN_CHILD:
        return GetChildItem(item);
    case TVGN_CARET:
        return GetSelectedItem();
    default:
        return nullptr;
    }
}

bool CVXTreeCtrl::ItemHasChildren(HTREEITEM item) const {
    return item && !Parent(item)->children.empty();
}

bool CVXTreeCtrl::Expand(HTREEITEM item, UINT code) {
    if (!item || item == TVI_ROOT) {
        return false;
    }
    const QModelIndex index = m_model->IndexOf(item);
    switch (code) {
    case TVE_EXPAND:
        expand(index);
        return true;
    case TVE_COLLAPSE:
        collapse(index);
        return true;
    case TVE_TOGGLE:
        setExpanded(index, !isExpanded(index));
        return true;
    default:
        return false;
    }
}

bool CVXTreeCtrl::IsExpanded(HTREEITEM item) const {
    return item && item != TVI_ROOT && isExpanded(m_model->IndexOf(item));
}

bool CVXTreeCtrl::SelectItem(HTREEITEM item) {
    if (!item) {
        selectionModel()->setCurrentIndex({}, QItemSelectionModel::Clear);
        return true;
    }
    EnsureVisible(item);
    selectionModel()->setCurrentIndex(m_model->IndexOf(item), QItemSelectionModel::ClearAndSelect);
    return true;
}

HTREEITEM CVXTreeCtrl::GetSelectedItem() const {
    return CTreeNodeModel::NodeOf(currentIndex());
}

bool CVXTreeCtrl::EnsureVisible(HTREEITEM item) {
    if (!item || item == TVI_ROOT) {
        return false;
    }
    if (m_bulkDepth > 0) {
        m_bulkVisible = item;
        return true;
    }
    for (TreeNode* up = item->parent; up != m_model->Root(); up = up->parent) {
        expand(m_model->IndexOf(up));
    }
    scrollTo(m_model->IndexOf(item));
    return true;
}

void CVXTreeCtrl::BeginBulkUpdate() {
    if (m_bulkDepth++ == 0) {
        m_bulkUpdatesWereEnabled = updatesEnabled();
        setUpdatesEnabled(false);
        header()->setSectionResizeMode(0, QHeaderView::Interactive);
    }
}

void CVXTreeCtrl::EndBulkUpdate() {
    if (m_bulkDepth == 0 || --m_bulkDepth > 0) {
        return;
    }
    if (!m_leafFilter.isEmpty()) {
        for (const TreeNode* top : m_model->Root()->children) {
            ApplyLeafFilter(top);
        }
    }
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    setUpdatesEnabled(m_bulkUpdatesWereEnabled);
    // A node deleted meanwhile has cleared it on its release.
    if (HTREEITEM item = std::exchange(m_bulkVisible, nullptr)) {
        EnsureVisible(item);
    }
}

void CVXTreeCtrl::SetLeafFilter(const QString& text) {
    if (text == m_leafFilter) {
        return;
    }
    const bool wasFiltered = !m_leafFilter.isEmpty();
    m_leafFilter = text;
    if (!wasFiltered && text.isEmpty()) {
        return;
    }
    const CTreeBulkUpdate bulk(*this); // applies the filter as it ends
    if (text.isEmpty()) {
        for (const TreeNode* top : m_model->Root()->children) {
            ApplyLeafFilter(top); // an empty filter keeps everything: shows what was hidden
        }
    }
}

bool CVXTreeCtrl::ApplyLeafFilter(const TreeNode* node) {
    if (node->children.empty()) {
        return m_leafFilter.isEmpty() || node->label.contains(m_leafFilter, Qt::CaseInsensitive);
    }
    const QModelIndex index = m_model->IndexOf(node);
    bool anyKept = false;
    for (const TreeNode* child : node->children) {
        const bool kept = ApplyLeafFilter(child);
        anyKept = anyKept || kept;
        const int row = m_model->RowOf(child);
        if (isRowHidden(row, index) == kept) {
            setRowHidden(row, index, !kept);
        }
    }
    // With a filter the matches are shown, not left in closed folders.
    if (anyKept && !m_leafFilter.isEmpty() && !isExpanded(index)) {
        expand(index);
    }
    return anyKept;
}

bool CVXTreeCtrl::SortChildren(HTREEITEM parent) {
    m_model->SortChildren(Parent(parent), [](const TreeNode* a, const TreeNode* b) {
        return QString::compare(a->label, b->label, Qt::CaseInsensitive) < 0;
    });
    return true;
}

bool CVXTreeCtrl::SortChildrenCB(HTREEITEM parent,
                                 const std::function<int(DWORD_PTR, DWORD_PTR)>& compare) {
    m_model->SortChildren(Parent(parent), [&compare](const TreeNode* a, const TreeNode* b) {
        return compare(a->data, b->data) < 0;
    });
    return true;
}

QStyleOptionViewItem CVXTreeCtrl::ItemOption(const QModelIndex& index) const {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    m_delegate->initStyleOption(&option, index);
    return option;
}

QRect CVXTreeCtrl::LabelRect(const QStyleOptionViewItem& option) const {
    QRect text = style()->subElementRect(QStyle::SE_ItemViewItemText, &option, this);
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, &option, this) + 1;
    text.setWidth(
        std::min(text.width(), option.fontMetrics.horizontalAdvance(option.text) + 2 * margin));
    return text;
}

HTREEITEM CVXTreeCtrl::HitTest(QPoint client, UINT* flags) const {
    UINT where = TVHT_NOWHERE;
    // Right of the column the row's item still counts, as right of its label.
    const QModelIndex index =
        viewport()->rect().contains(client)
            ? indexAt(QPoint(std::min(client.x(), columnWidth(0) - 1), client.y()))
            : QModelIndex();
    HTREEITEM item = CTreeNodeModel::NodeOf(index);
    if (item) {
        // Left to right: indent (the last step of it the button of an item with children),
        // check box, icon, label, then whatever lies right of the label. The margins between
        // the parts belong to the part on their right.
        const QStyleOptionViewItem option = ItemOption(index);
        const int x = client.x();
        const QRect label = LabelRect(option);
        const bool hasIcon = (option.features & QStyleOptionViewItem::HasDecoration) != 0;
        const bool hasCheck = (option.features & QStyleOptionViewItem::HasCheckIndicator) != 0;
        if (x < option.rect.left()) {
            const bool onButton =
                x >= option.rect.left() - indentation() && !item->children.empty();
            where = onButton ? TVHT_ONITEMBUTTON : TVHT_ONITEMINDENT;
        } else if (x > label.right()) {
            where = TVHT_ONITEMRIGHT;
        } else if (x >= label.left()) {
            where = TVHT_ONITEMLABEL;
        } else if (hasIcon &&
                   x >= style()
                            ->subElementRect(QStyle::SE_ItemViewItemDecoration, &option, this)
                            .left()) {
            where = TVHT_ONITEMICON;
        } else if (hasCheck) {
            // The check box is exactly the area where a click toggles it: a click that a page
            // counts as one on the box must be one the tree toggles the box for. What lies left
            // of it is indent, what lies right of it belongs to the icon or label.
            const QRect box =
                style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, this);
            where = box.contains(client)   ? TVHT_ONITEMSTATEICON
                    : x < box.left()       ? TVHT_ONITEMINDENT
                    : hasIcon              ? TVHT_ONITEMICON
                                           : TVHT_ONITEMLABEL;
        } else {
            where = hasIcon ? TVHT_ONITEMICON : TVHT_ONITEMLABEL;
        }
    }
    if (flags) {
        *flags = where;
    }
    return item;
}

bool CVXTreeCtrl::GetItemRect(HTREEITEM item, QRect* rect, bool textOnly) const {
    if (!item || item == TVI_ROOT || !rect) {
        return false;
    }
    for (const TreeNode* up = item->parent; up != m_model->Root(); up = up->parent) {
        if (!isExpanded(m_model->IndexOf(up))) {
            return false;
        }
    }
    const QModelIndex index = m_model->IndexOf(item);
    if (textOnly) {
        *rect = LabelRect(ItemOption(index));
    } else {
        const QRect row = visualRect(index);
        *rect = QRect(0, row.top(), viewport()->width(), row.height());
    }
    return true;
}

QPoint CVXTreeCtrl::ClientToScreen(QPoint client) const {
    return viewport()->mapToGlobal(client);
}

QPoint CVXTreeCtrl::ScreenToClient(QPoint screen) const {
    return viewport()->mapFromGlobal(screen);
}

bool CVXTreeCtrl::EditLabel(HTREEITEM item) {
    if (!item || item == TVI_ROOT || !(m_style & TVS_EDITLABELS)) {
        return false;
    }
    // Qt answers true even when the delegate made no editor (the edit was refused).
    return edit(m_model->IndexOf(item), AllEditTriggers, nullptr) && state() == EditingState;
}

QModelIndex CVXTreeCtrl::IndexFromItem(HTREEITEM item) const {
    return item == TVI_ROOT ? QModelIndex() : m_model->IndexOf(item);
}

HTREEITEM CVXTreeCtrl::ItemFromIndex(const QModelIndex& index) const {
    return CTreeNodeModel::NodeOf(index);
}

void CVXTreeCtrl::OnDeleteItem(HTREEITEM, DWORD_PTR) {}

void CVXTreeCtrl::OnSelChanged(HTREEITEM oldItem, HTREEITEM newItem) {
    emit SelChanged(this, oldItem, newItem);
}

void CVXTreeCtrl::OnKillFocus() {
    emit KillFocus(this);
}

bool CVXTreeCtrl::OnBeginLabelEdit(HTREEITEM) {
    return false;
}

bool CVXTreeCtrl::OnEndLabelEdit(HTREEITEM, const QString&) {
    return true;
}

void CVXTreeCtrl::OnKeyDown(UINT, UINT, UINT) {
    if (!m_keyEvent) {
        return;
    }
    if (m_keyEvent->key() == Qt::Key_Menu) {
        m_keyEvent->accept(); // no context menu from the key unless the tree makes one
        return;
    }
    QTreeView::keyPressEvent(m_keyEvent);
}

void CVXTreeCtrl::OnContextMenu(QPoint screen) {
    emit ContextMenuRequested(this, screen);
}

void CVXTreeCtrl::OnClick(QPoint) {}

void CVXTreeCtrl::keyPressEvent(QKeyEvent* event) {
    QKeyEvent* outer = std::exchange(m_keyEvent, event);
    OnKeyDown(VirtualKeyOf(*event), static_cast<UINT>(std::max(1, event->count())), 0);
    m_keyEvent = outer;
}

void CVXTreeCtrl::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    UINT where = 0;
    HTREEITEM item = HitTest(pos, &where);
    m_pressItem = (where & TVHT_ONITEM) ? item : nullptr;
    m_pressPos = pos;
    m_pressButton = event->button();
    // A right press selects nothing, and a press beside the items keeps the selection, as in
    // a tree view control; both still take the focus.
    if (event->button() == Qt::RightButton || (event->button() == Qt::LeftButton && !item)) {
        setFocus(Qt::MouseFocusReason);
        event->accept();
        return;
    }
    QTreeView::mousePressEvent(event);
}

void CVXTreeCtrl::mouseMoveEvent(QMouseEvent* event) {
    if (m_pressButton == Qt::NoButton) {
        QTreeView::mouseMoveEvent(event); // hover
        return;
    }
    const QPoint pos = event->position().toPoint();
    if (m_pressItem && (event->buttons() & m_pressButton) &&
        (pos - m_pressPos).manhattanLength() >= QApplication::startDragDistance()) {
        HTREEITEM item = std::exchange(m_pressItem, nullptr);
        const bool right = m_pressButton == Qt::RightButton;
        m_pressButton = Qt::NoButton;
        OnBeginDrag(item, right);
        setState(NoState);
    }
    event->accept();
}

void CVXTreeCtrl::mouseReleaseEvent(QMouseEvent* event) {
    const bool rightClick = event->button() == Qt::RightButton && m_pressButton == Qt::RightButton;
    m_pressItem = nullptr;
    m_pressButton = Qt::NoButton;
    if (event->button() == Qt::RightButton) {
        event->accept();
        if (rightClick) {
            OnContextMenu(event->globalPosition().toPoint());
        }
        return;
    }
    if (event->button() == Qt::LeftButton) {
        OnClick(event->position().toPoint());
    }
    QTreeView::mouseReleaseEvent(event);
}

void CVXTreeCtrl::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    // A mouse's menu comes with the right button's release (mouseReleaseEvent), so that a right
    // drag can start; other requests (accessibility) ask here.
    if (event->reason() != QContextMenuEvent::Mouse) {
        OnContextMenu(event->globalPos());
    }
}

void CVXTreeCtrl::focusOutEvent(QFocusEvent* event) {
    QTreeView::focusOutEvent(event);
    // A popup menu or the tree's own label editor does not take the focus from the tree.
    const QWidget* focus = QApplication::focusWidget();
    if (event->reason() == Qt::PopupFocusReason || (focus && isAncestorOf(focus))) {
        return;
    }
    OnKillFocus();
}

void CVXTreeCtrl::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTreeView::currentChanged(current, previous);
    HTREEITEM oldItem = CTreeNodeModel::NodeOf(previous);
    HTREEITEM newItem = CTreeNodeModel::NodeOf(current);
    if (oldItem != newItem) {
        OnSelChanged(oldItem, newItem);
    }
}

} // namespace vx
