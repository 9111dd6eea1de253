#include "ide/framework/widgets/tree_model.h"

#include "ide/framework/widgets/image_list.h"

#include <algorithm>

namespace vx {
namespace {

// Sentinels: their addresses are the special insert positions and never nodes of a tree.
TreeNode g_insertMarks[4];

int CompareLabelText(const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseInsensitive);
}

} // namespace

TreeNode* const TVI_ROOT = &g_insertMarks[0];
TreeNode* const TVI_FIRST = &g_insertMarks[1];
TreeNode* const TVI_LAST = &g_insertMarks[2];
TreeNode* const TVI_SORT = &g_insertMarks[3];

CTreeNodeModel::CTreeNodeModel(QObject* parent) : QAbstractItemModel(parent) {}

CTreeNodeModel::~CTreeNodeModel() {
    FreeChildren(&m_root);
}

void CTreeNodeModel::FreeChildren(TreeNode* node) {
    // Iterative: a deep tree must not exhaust the stack.
    std::vector<TreeNode*> pending(node->children.begin(), node->children.end());
    node->children.clear();
    while (!pending.empty()) {
        TreeNode* n = pending.back();
        pending.pop_back();
        pending.insert(pending.end(), n->children.begin(), n->children.end());
        delete n;
    }
}

void CTreeNodeModel::Renumber(const TreeNode* parent) const {
    int row = 0;
    for (const TreeNode* child : parent->children) {
        child->row = row++;
    }
    parent->childRowsStale = false;
}

int CTreeNodeModel::RowOf(const TreeNode* node) const {
    if (node->parent->childRowsStale) {
        Renumber(node->parent);
    }
    return node->row;
}

QModelIndex CTreeNodeModel::IndexOf(const TreeNode* node) const {
    if (!node || node == &m_root) {
        return {};
    }
    return createIndex(RowOf(node), 0, const_cast<TreeNode*>(node));
}

TreeNode* CTreeNodeModel::NodeOf(const QModelIndex& index) {
    return index.isValid() ? static_cast<TreeNode*>(index.internalPointer()) : nullptr;
}

TreeNode* CTreeNodeModel::Insert(TreeNode* parent, TreeNode* after, QString label, int image,
                                 int selectedImage) {
    auto& siblings = parent->children;
    size_t pos = siblings.size();
    if (after == TVI_FIRST) {
        pos = 0;
    } else if (after == TVI_SORT) {
        const auto it = std::upper_bound(siblings.begin(), siblings.end(), label,
                                         [](const QString& text, const TreeNode* node) {
                                             return CompareLabelText(text, node->label) < 0;
                                         });
        pos = static_cast<size_t>(it - siblings.begin());
    } else if (after && after != TVI_LAST && after->parent == parent) {
        pos = static_cast<size_t>(RowOf(after)) + 1;
    }

    auto* node = new TreeNode;
    node->parent = parent;
    node->label = std::move(label);
    node->image = image;
    node->selectedImage = selectedImage;
    node->row = static_cast<int>(pos);

    const int row = static_cast<int>(pos);
    beginInsertRows(IndexOf(parent), row, row);
    if (pos != siblings.size()) {
        parent->childRowsStale = true;
    }
    siblings.insert(siblings.begin() + static_cast<ptrdiff_t>(pos), node);
    ++m_count;
    endInsertRows();
    return node;
}

CTreeNodeBuilder::~CTreeNodeBuilder() {
    TreeNode holder;
    holder.children = std::move(m_tops);
    CTreeNodeModel::FreeChildren(&holder);
}

TreeNode* CTreeNodeBuilder::Append(TreeNode* parent, QString label, int image, int selectedImage,
                                   DWORD_PTR data) {
    auto* node = new TreeNode;
    node->parent = parent;
    node->label = std::move(label);
    node->image = image;
    node->selectedImage = selectedImage;
    node->data = data;
    auto& siblings = parent ? parent->children : m_tops;
    node->row = static_cast<int>(siblings.size());
    siblings.push_back(node);
    ++m_count;
    return node;
}

TreeNode* CTreeNodeModel::InsertNodes(TreeNode* parent, TreeNode* after, CTreeNodeBuilder& nodes) {
    if (nodes.m_tops.empty()) {
        return nullptr;
    }
    auto& siblings = parent->children;
    size_t pos = siblings.size();
    if (after == TVI_FIRST) {
        pos = 0;
    } else if (after && after != TVI_LAST && after != TVI_SORT && after->parent == parent) {
        pos = static_cast<size_t>(RowOf(after)) + 1;
    }
    const int first = static_cast<int>(pos);
    const int last = first + static_cast<int>(nodes.m_tops.size()) - 1;
    beginInsertRows(IndexOf(parent), first, last);
    if (pos != siblings.size()) {
        parent->childRowsStale = true;
    }
    int row = first;
    for (TreeNode* node : nodes.m_tops) {
        node->parent = parent;
        node->row = row++;
    }
    siblings.insert(siblings.begin() + static_cast<ptrdiff_t>(pos), nodes.m_tops.begin(),
                    nodes.m_tops.end());
    m_count += nodes.m_count;
    TreeNode* firstNode = nodes.m_tops.front();
    nodes.m_tops.clear();
    nodes.m_count = 0;
    endInsertRows();
    return firstNode;
}

void CTreeNodeModel::ReleaseSubtree(TreeNode* node) {
    if (!onRelease) {
        return;
    }
    // Children before their parent, each level in display order.
    std::vector<std::pair<TreeNode*, size_t>> stack{{node, 0}};
    while (!stack.empty()) {
        auto& [current, next] = stack.back();
        if (next < current->children.size()) {
            TreeNode* child = current->children[next++];
            stack.emplace_back(child, 0);
            continue;
        }
        TreeNode* done = current;
        stack.pop_back();
        if (done != &m_root) {
            onRelease(done);
        }
    }
}

void CTreeNodeModel::Remove(TreeNode* node) {
    ReleaseSubtree(node);
    TreeNode* parent = node->parent;
    const int row = RowOf(node);
    beginRemoveRows(IndexOf(parent), row, row);
    auto& siblings = parent->children;
    siblings.erase(siblings.begin() + row);
    if (static_cast<size_t>(row) != siblings.size()) {
        parent->childRowsStale = true;
    }
    size_t removed = 1;
    std::vector<TreeNode*> pending(node->children.begin(), node->children.end());
    while (!pending.empty()) {
        TreeNode* n = pending.back();
        pending.pop_back();
        pending.insert(pending.end(), n->children.begin(), n->children.end());
        ++removed;
    }
    m_count -= removed;
    endRemoveRows();
    FreeChildren(node);
    delete node;
}

void CTreeNodeModel::Clear() {
    ReleaseSubtree(&m_root);
    beginResetModel();
    FreeChildren(&m_root);
    m_root.childRowsStale = false;
    m_count = 0;
    endResetModel();
}

void CTreeNodeModel::SortChildren(
    TreeNode* parent, const std::function<bool(const TreeNode*, const TreeNode*)>& less) {
    if (parent->children.size() < 2) {
        return;
    }
    const QModelIndex parentIndex = IndexOf(parent);
    emit layoutAboutToBeChanged({QPersistentModelIndex(parentIndex)},
                                QAbstractItemModel::VerticalSortHint);
    // Persistent indexes of the children (expanded state, selection) follow their nodes.
    QModelIndexList before;
    std::vector<TreeNode*> moved;
    for (const QModelIndex& index : persistentIndexList()) {
        TreeNode* node = NodeOf(index);
        if (node && node->parent == parent) {
            before.push_back(index);
            moved.push_back(node);
        }
    }
    std::stable_sort(parent->children.begin(), parent->children.end(), less);
    Renumber(parent);
    QModelIndexList after;
    for (TreeNode* node : moved) {
        after.push_back(createIndex(node->row, 0, node));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({QPersistentModelIndex(parentIndex)}, QAbstractItemModel::VerticalSortHint);
}

void CTreeNodeModel::SetLabel(TreeNode* node, QString label) {
    node->label = std::move(label);
    const QModelIndex index = IndexOf(node);
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
}

void CTreeNodeModel::SetImages(TreeNode* node, int image, int selectedImage) {
    node->image = image;
    node->selectedImage = selectedImage;
    const QModelIndex index = IndexOf(node);
    emit dataChanged(index, index, {Qt::DecorationRole});
}

void CTreeNodeModel::SetChecked(TreeNode* node, bool checked) {
    node->checked = checked;
    const QModelIndex index = IndexOf(node);
    emit dataChanged(index, index, {Qt::CheckStateRole});
}

void CTreeNodeModel::SetImageList(const CVXImageList* images) {
    m_images = images;
    m_pairIcons.clear();
}

void CTreeNodeModel::SetCheckable(bool checkable) {
    m_checkable = checkable;
}

QIcon CTreeNodeModel::IconFor(const TreeNode* node) const {
    if (!m_images) {
        return {};
    }
    if (node->selectedImage < 0 || node->selectedImage == node->image) {
        return m_images->Icon(node->image);
    }
    const quint64 key = static_cast<quint64>(static_cast<uint32_t>(node->image)) << 32 |
                        static_cast<uint32_t>(node->selectedImage);
    auto it = m_pairIcons.find(key);
    if (it == m_pairIcons.end()) {
        const QSize size = m_images->ImageSize();
        QIcon icon;
        icon.addPixmap(m_images->Icon(node->image).pixmap(size), QIcon::Normal);
        icon.addPixmap(m_images->Icon(node->selectedImage).pixmap(size), QIcon::Selected);
        it = m_pairIcons.insert(key, icon);
    }
    return *it;
}

QModelIndex CTreeNodeModel::index(int row, int column, const QModelIndex& parent) const {
    const TreeNode* node = parent.isValid() ? NodeOf(parent) : &m_root;
    if (column != 0 || row < 0 || static_cast<size_t>(row) >= node->children.size()) {
        return {};
    }
    return createIndex(row, 0, node->children[static_cast<size_t>(row)]);
}

QModelIndex CTreeNodeModel::parent(const QModelIndex& child) const {
    const TreeNode* node = NodeOf(child);
    return node ? IndexOf(node->parent) : QModelIndex();
}

int CTreeNodeModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0) {
        return 0;
    }
    const TreeNode* node = parent.isValid() ? NodeOf(parent) : &m_root;
    return static_cast<int>(node->children.size());
}

int CTreeNodeModel::columnCount(const QModelIndex&) const {
    return 1;
}

bool CTreeNodeModel::hasChildren(const QModelIndex& parent) const {
    const TreeNode* node = parent.isValid() ? NodeOf(parent) : &m_root;
    return !node->children.empty();
}

QVariant CTreeNodeModel::data(const QModelIndex& index, int role) const {
    const TreeNode* node = NodeOf(index);
    if (!node) {
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return node->label;
    case Qt::DecorationRole:
        return IconFor(node);
    case Qt::CheckStateRole:
        if (m_checkable) {
            return node->checked ? Qt::Checked : Qt::Unchecked;
        }
        return {};
    default:
        return {};
    }
}

bool CTreeNodeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    TreeNode* node = NodeOf(index);
    if (!node) {
        return false;
    }
    if (role == Qt::EditRole) {
        const QString text = value.toString();
        if (onLabelEdited && !onLabelEdited(node, text)) {
            return false;
        }
        SetLabel(node, text);
        return true;
    }
    if (role == Qt::CheckStateRole && m_checkable) {
        SetChecked(node, value.value<Qt::CheckState>() == Qt::Checked);
        return true;
    }
    return false;
}

Qt::ItemFlags CTreeNodeModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (m_editable) {
        flags |= Qt::ItemIsEditable;
    }
    if (m_checkable) {
        flags |= Qt::ItemIsUserCheckable;
    }
    return flags;
}

} // namespace vx
