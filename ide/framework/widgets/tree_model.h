#pragma once
// The nodes of a CVXTreeCtrl and the Qt model over them. Each node is one small record (no
// widget, no Qt item object), so trees of tens of thousands of nodes stay cheap; the view asks
// only for the rows it draws.

#include "ide/framework/widgets/tree_types.h"

#include <QAbstractItemModel>
#include <QHash>
#include <QIcon>
#include <QString>
#include <functional>
#include <vector>

namespace vx {

class CVXImageList;

struct TreeNode {
    TreeNode* parent = nullptr;
    std::vector<TreeNode*> children; // owned, in display order
    // The position in the parent's children; renumbered on demand after inserts and removals
    // that are not at the end (see the parent's childRowsStale).
    mutable int row = 0;
    mutable bool childRowsStale = false;
    bool checked = false;
    int image = -1;
    int selectedImage = -1;
    DWORD_PTR data = 0;
    QString label;
};

// Nodes built apart from any model, for inserting many at once (CTreeNodeModel::InsertNodes):
// the view then hears of one run of new rows instead of one notification per node. Nodes
// that are never inserted go with the builder; their item data is the owner's to release.
class CTreeNodeBuilder {
public:
    CTreeNodeBuilder() = default;
    ~CTreeNodeBuilder();
    CTreeNodeBuilder(const CTreeNodeBuilder&) = delete;
    CTreeNodeBuilder& operator=(const CTreeNodeBuilder&) = delete;

    // Appends a node after the last child of `parent`, a node of this builder, or with a null
    // parent after the last top node.
    TreeNode* Append(TreeNode* parent, QString label, int image, int selectedImage,
                     DWORD_PTR data = 0);
    const std::vector<TreeNode*>& Tops() const { return m_tops; }
    size_t Count() const { return m_count; }

private:
    friend class CTreeNodeModel;
    std::vector<TreeNode*> m_tops;
    size_t m_count = 0;
};

class CTreeNodeModel final : public QAbstractItemModel {
public:
    explicit CTreeNodeModel(QObject* parent = nullptr);
    ~CTreeNodeModel() override;
    CTreeNodeModel(const CTreeNodeModel&) = delete;
    CTreeNodeModel& operator=(const CTreeNodeModel&) = delete;

    // The invisible node above the top level.
    TreeNode* Root() { return &m_root; }
    const TreeNode* Root() const { return &m_root; }
    QModelIndex IndexOf(const TreeNode* node) const;
    static TreeNode* NodeOf(const QModelIndex& index);
    int RowOf(const TreeNode* node) const;
    // The number of nodes, the invisible root not counted.
    size_t Count() const { return m_count; }

    // Inserts a node under `parent` after `after`: TVI_FIRST, TVI_LAST, TVI_SORT (before the
    // first sibling whose label is greater, ignoring case) or a child of `parent`; any other
    // value appends.
    TreeNode* Insert(TreeNode* parent, TreeNode* after, QString label, int image,
                     int selectedImage);
    // Moves the builder's top nodes, with everything below them, under `parent` after `after`
    // (TVI_FIRST, TVI_LAST or a child of `parent`) as one run of rows. Answers the first of
    // them, or null when the builder is empty.
    TreeNode* InsertNodes(TreeNode* parent, TreeNode* after, CTreeNodeBuilder& nodes);
    // Removes `node` and everything below it; `onRelease` hears of every node first, children
    // before their parent.
    void Remove(TreeNode* node);
    // Removes every node; `onRelease` hears of each first.
    void Clear();
    // Orders the children of `parent` by `less`; equal nodes keep their order.
    void SortChildren(TreeNode* parent,
                      const std::function<bool(const TreeNode*, const TreeNode*)>& less);

    void SetLabel(TreeNode* node, QString label);
    void SetImages(TreeNode* node, int image, int selectedImage);
    void SetChecked(TreeNode* node, bool checked);
    void SetImageList(const CVXImageList* images);
    const CVXImageList* ImageList() const { return m_images; }
    void SetEditable(bool editable) { m_editable = editable; }
    void SetCheckable(bool checkable);

    // Hears of each node before it goes, to release its item data.
    std::function<void(TreeNode*)> onRelease;
    // Decides on an edited label; true keeps the new text.
    std::function<bool(TreeNode*, const QString&)> onLabelEdited;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    friend class CTreeNodeBuilder;
    void Renumber(const TreeNode* parent) const;
    void ReleaseSubtree(TreeNode* node);
    static void FreeChildren(TreeNode* node);
    QIcon IconFor(const TreeNode* node) const;

    TreeNode m_root;
    size_t m_count = 0;
    const CVXImageList* m_images = nullptr;
    bool m_editable = false;
    bool m_checkable = false;
    // Icons of nodes whose selected image differs from their image, by the pair.
    mutable QHash<quint64, QIcon> m_pairIcons;
};

} // namespace vx
