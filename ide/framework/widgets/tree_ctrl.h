#pragma once
// The framework's tree control: a QTreeView over a CTreeNodeModel, with the operations of a
// tree view control (insert, delete, item data, labels, images, expand, caret, navigation, hit
// test) and its notifications as virtual functions that a page's tree overrides.
//
// Drag and drop: Initialize switches the tree into drag-source and/or drop-target mode. As a
// source, a drag that starts on an item (left or right button) calls OnBeginDrag, whose base
// asks CreateDragDropData for the record and carries the record's stream form in a QMimeData
// (drag_mime.h) through a QDrag. As a target, the tree reads the record back through its
// run-time class and asks CheckTreeForDropEffect while the drag moves and OnTreeDrop on the
// drop.
//
// Keys: every key press reaches OnKeyDown first with its virtual-key code; the base passes it
// to the tree's own handling. The Menu key is not turned into a context menu here: a tree that
// wants one for it acts on VK_APPS. A right click (press and release without a drag) calls
// OnContextMenu at the click's screen position.
//
// Item data belongs to the owner: OnDeleteItem hears of every node before it is deleted, its
// children first. The tree's own destructor cannot reach an override, so a tree whose item data
// must be released calls DeleteAllItems() in its destructor.

#include "ide/framework/widgets/tree_types.h"

#include <QPoint>
#include <QStyleOptionViewItem>
#include <QTreeView>
#include <functional>
#include <memory>

class QMimeData;
class QDropEvent;

namespace vx {

class CDragDropData;
class CTreeNodeModel;
class CTreeNodeBuilder;
class CVXImageList;
class CTreeItemDelegate;

class CVXTreeCtrl : public QTreeView {
    Q_OBJECT

public:
    explicit CVXTreeCtrl(QWidget* parent = nullptr);
    ~CVXTreeCtrl() override;

    // Window. `style` takes WS_VISIBLE and the TVS_ styles; `id` becomes the control id
    // (control_id.h). The tree always takes the focus by Tab, as every control here does.
    bool Create(uint32_t style, const QRect& rect, QWidget* parent, UINT id);
    void ModifyStyle(uint32_t remove, uint32_t add);
    uint32_t GetStyle() const { return m_style; }
    UINT GetDlgCtrlID() const;

    // Drag-and-drop set-up: the first flag makes the tree a drag source, the second a drop
    // target; the other three are accepted for the page's calls and have no meaning here.
    void Initialize(bool dragSource, bool dropTarget, bool reserved3 = false,
                    bool reserved4 = false, bool reserved5 = false);
    bool IsDragSource() const { return m_dragSource; }
    bool IsDropTarget() const { return m_dropTarget; }

    // The images the items draw (16 by 16); the list is not owned and must outlive its use.
    void SetImageList(const CVXImageList* images);
    const CVXImageList* GetImageList() const;

    // Items. `parent` TVI_ROOT is the top level; `after` TVI_FIRST, TVI_LAST, TVI_SORT or a
    // sibling. Answers the new item.
    HTREEITEM InsertItem(const QString& label, int image, int selectedImage,
                         HTREEITEM parent = TVI_ROOT, HTREEITEM after = TVI_LAST);
    HTREEITEM InsertItem(const QString& label, HTREEITEM parent = TVI_ROOT,
                         HTREEITEM after = TVI_LAST);
    // Inserts every node of `nodes` at once, its top nodes under `parent` after `after`
    // (TVI_FIRST, TVI_LAST or a sibling): the way to fill a tree of many thousand nodes.
    // Answers the first top node, or null for an empty builder.
    HTREEITEM InsertItems(CTreeNodeBuilder& nodes, HTREEITEM parent = TVI_ROOT,
                          HTREEITEM after = TVI_LAST);
    // Deletes the item and everything below it (TVI_ROOT: every item).
    bool DeleteItem(HTREEITEM item);
    bool DeleteAllItems();
    UINT GetCount() const;

    DWORD_PTR GetItemData(HTREEITEM item) const;
    bool SetItemData(HTREEITEM item, DWORD_PTR itemData);
    QString GetItemText(HTREEITEM item) const;
    bool SetItemText(HTREEITEM item, const QString& text);
    bool GetItemImage(HTREEITEM item, int& image, int& selectedImage) const;
    bool SetItemImage(HTREEITEM item, int image, int selectedImage);
    // Check boxes, with the TVS_CHECKBOXES style.
    bool GetCheck(HTREEITEM item) const;
    bool SetCheck(HTREEITEM item, bool checked = true);

    // Navigation; each answers null when there is no such item.
    HTREEITEM GetRootItem() const;
    HTREEITEM GetChildItem(HTREEITEM item) const;
    HTREEITEM GetNextSiblingItem(HTREEITEM item) const;
    HTREEITEM GetPrevSiblingItem(HTREEITEM item) const;
    HTREEITEM GetParentItem(HTREEITEM item) const;
    HTREEITEM GetNextItem(HTREEITEM item, UINT code) const;
    bool ItemHasChildren(HTREEITEM item) const;

    bool Expand(HTREEITEM item, UINT code);
    bool IsExpanded(HTREEITEM item) const;
    // Makes `item` the caret (selected and current); null removes the selection. A change
    // calls OnSelChanged.
    bool SelectItem(HTREEITEM item);
    HTREEITEM GetSelectedItem() const;
    // Expands the item's ancestors and scrolls it into view; inside a bulk update only the last
    // item asked for is scrolled to, when the update ends.
    bool EnsureVisible(HTREEITEM item);

    // Many inserts as one change of the window: no painting, no column sizing and no scrolling
    // until the outermost EndBulkUpdate. Without it each insert sizes the column over the rows
    // shown, which makes thousands of inserts quadratic. Use CTreeBulkUpdate.
    void BeginBulkUpdate();
    void EndBulkUpdate();

    // Shows only the leaves whose labels contain `text` (letter case ignored), with the nodes
    // above them, expanded; the top-level nodes always stay. An empty text shows every node
    // again. The filter stays: a bulk update re-applies it when it ends.
    void SetLeafFilter(const QString& text);
    const QString& LeafFilter() const { return m_leafFilter; }

    // Orders the children of `parent` (TVI_ROOT: the top level): by label ignoring case, or by
    // `compare` over the item data (negative, zero, positive); equal items keep their order.
    bool SortChildren(HTREEITEM parent);
    bool SortChildrenCB(HTREEITEM parent, const std::function<int(DWORD_PTR, DWORD_PTR)>& compare);

    // Client coordinates are the item area's (the viewport's).
    HTREEITEM HitTest(QPoint client, UINT* flags = nullptr) const;
    // The item's row, or with `textOnly` its label; false when the item is not shown.
    bool GetItemRect(HTREEITEM item, QRect* rect, bool textOnly) const;
    QPoint ClientToScreen(QPoint client) const;
    QPoint ScreenToClient(QPoint screen) const;
    // Starts editing the label (with TVS_EDITLABELS); OnBeginLabelEdit may refuse.
    bool EditLabel(HTREEITEM item);

    QModelIndex IndexFromItem(HTREEITEM item) const;
    HTREEITEM ItemFromIndex(const QModelIndex& index) const;

signals:
    // Emitted by the base notifications, for owners that do not derive (the page's view).
    void SelChanged(vx::CVXTreeCtrl* tree, vx::HTREEITEM oldItem, vx::HTREEITEM newItem);
    void KillFocus(vx::CVXTreeCtrl* tree);
    void ContextMenuRequested(vx::CVXTreeCtrl* tree, QPoint screen);

protected:
    // Notifications.
    virtual void OnDeleteItem(HTREEITEM item, DWORD_PTR itemData);
    virtual void OnSelChanged(HTREEITEM oldItem, HTREEITEM newItem);
    virtual void OnKillFocus();
    // True refuses the edit.
    virtual bool OnBeginLabelEdit(HTREEITEM item);
    // True keeps the new text.
    virtual bool OnEndLabelEdit(HTREEITEM item, const QString& text);
    // The base passes the key on to the tree's own handling (arrows, +/-, F2, ...), when it is
    // called for a key event.
    virtual void OnKeyDown(UINT virtualKey, UINT repeatCount, UINT flags);
    virtual void OnContextMenu(QPoint screen);
    // A left click, before the tree acts on it (a check box has not toggled yet).
    virtual void OnClick(QPoint client);

    // Drag source. The base, in drag-source mode, builds the payload with CreateDragDropData
    // and runs the drag; an override that refuses returns without calling it.
    virtual void OnBeginDrag(HTREEITEM item, bool rightButton);
    virtual std::unique_ptr<CDragDropData> CreateDragDropData(HTREEITEM item);
    // Drop target: the effect a drop of `record` on `target` (null: no item) would have, and the
    // drop itself. The base refuses and ignores.
    virtual DROPEFFECT CheckTreeForDropEffect(CDragDropData* record, uint32_t keyState,
                                              HTREEITEM target);
    virtual bool OnTreeDrop(CDragDropData* record, DROPEFFECT effect, HTREEITEM target);

    CTreeNodeModel& Model() const { return *m_model; }

    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    friend class CTreeItemDelegate;

    TreeNode* Parent(HTREEITEM item) const;
    // The style option the item is drawn with, for hit tests and item rectangles.
    QStyleOptionViewItem ItemOption(const QModelIndex& index) const;
    QRect LabelRect(const QStyleOptionViewItem& option) const;
    // The record of the drag carrying `mime`, read once per drag; null when there is none.
    CDragDropData* DragRecordFor(const QMimeData* mime);
    void ApplyStyle();
    // Asks CheckTreeForDropEffect for a drag at `event`'s position and accepts or refuses it.
    void AnswerDragOver(QDropEvent* event);
    static uint32_t KeyStateOf(const QDropEvent* event);

    CTreeNodeModel* m_model;
    CTreeItemDelegate* m_delegate;
    int m_bulkDepth = 0;
    bool m_bulkUpdatesWereEnabled = true;
    HTREEITEM m_bulkVisible = nullptr; // the item to scroll to when the bulk update ends
    QString m_leafFilter;
    // Hides what the filter leaves out below `node`; answers whether anything below is kept.
    bool ApplyLeafFilter(const TreeNode* node);
    uint32_t m_style = TVS_HASBUTTONS | TVS_LINESATROOT;
    bool m_dragSource = false;
    bool m_dropTarget = false;
    QKeyEvent* m_keyEvent = nullptr; // the key press OnKeyDown is called for

    // The press that may become a drag or a right click.
    HTREEITEM m_pressItem = nullptr;
    QPoint m_pressPos;
    Qt::MouseButton m_pressButton = Qt::NoButton;

    // The record of the drag now over the tree.
    const QMimeData* m_dragMime = nullptr;
    std::unique_ptr<CDragDropData> m_dragRecord;
};

// Begins a bulk update of `tree` and ends it when the scope ends.
class CTreeBulkUpdate {
public:
    explicit CTreeBulkUpdate(CVXTreeCtrl& tree) : m_tree(tree) { m_tree.BeginBulkUpdate(); }
    ~CTreeBulkUpdate() { m_tree.EndBulkUpdate(); }
    CTreeBulkUpdate(const CTreeBulkUpdate&) = delete;
    CTreeBulkUpdate& operator=(const CTreeBulkUpdate&) = delete;

private:
    CVXTreeCtrl& m_tree;
};

} // namespace vx
