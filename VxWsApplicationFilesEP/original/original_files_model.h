#pragma once
// The Original Setup Files tree as data: the root, folder nodes named by the segments of each
// file's resolved folder path, and file nodes labelled with the file's long name. The Qt tree
// shows this model; `vxpatch tree` prints it.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vx {

// Hash and equality of labels without regard to case, for the per-node label index.
struct FoldedLabelHash {
    size_t operator()(std::u16string_view label) const;
};
struct FoldedLabelEqual {
    bool operator()(std::u16string_view a, std::u16string_view b) const;
};

enum class NodeKind : int32_t { Root = 0, File = 1, Folder = 2 };

// The item record of one node.
struct OriginalTreeItem {
    NodeKind kind = NodeKind::Root;
    std::u16string key;   // the File key of a file node; empty otherwise
    std::u16string label; // the text shown
};

class OriginalTreeNode {
public:
    OriginalTreeNode(OriginalTreeItem item, OriginalTreeNode* parent)
        : m_item(std::move(item)), m_parent(parent) {}

    const OriginalTreeItem& Item() const { return m_item; }
    OriginalTreeNode* Parent() const { return m_parent; }
    const std::vector<std::unique_ptr<OriginalTreeNode>>& Children() const { return m_children; }

private:
    friend class OriginalFilesModel;
    OriginalTreeItem m_item;
    OriginalTreeNode* m_parent;
    std::vector<std::unique_ptr<OriginalTreeNode>> m_children;
    // The first child (in display order) of each label, compared without case. The keys view the
    // children's own labels, which never change. Empty while children exist means "not built":
    // sorting drops it and the next lookup below this node builds it again. The last
    // m_unindexedFiles children are files added since it was built, indexed on the first miss.
    std::unordered_map<std::u16string_view, OriginalTreeNode*, FoldedLabelHash, FoldedLabelEqual>
        m_firstByLabel;
    size_t m_unindexedFiles = 0;
};

class OriginalFilesModel {
public:
    // A model holding the root alone, labelled `rootLabel`.
    explicit OriginalFilesModel(std::u16string rootLabel);

    OriginalTreeNode& Root() { return *m_root; }
    const OriginalTreeNode& Root() const { return *m_root; }

    // Places a file under its folder path ("\"-separated target path): each segment is found
    // among the current node's children by label without regard to case (the first such child,
    // whatever its kind) or inserted as a folder before the first child; the file goes after the
    // last child of the folder reached.
    OriginalTreeNode& PlaceFile(std::u16string_view folderPath, std::u16string key,
                                std::u16string label);

    // Orders every node's children: folders before files, then by label without regard to case.
    void Sort();

    // The File keys below a node, depth-first in display order: a file node gives its own key;
    // the root gives none.
    static std::vector<std::u16string> DragKeys(const OriginalTreeNode& node);

    // One node a line, two spaces of indent per level, the root first.
    std::u16string Print() const;

    size_t FileCount() const { return m_fileCount; }

private:
    // The child of `node` labelled `label` (without regard to case) that comes first, or null.
    static OriginalTreeNode* FindChild(OriginalTreeNode& node, std::u16string_view label);
    // Appends a file node after the last child of `folder`.
    OriginalTreeNode& AddFile(OriginalTreeNode& folder, std::u16string key, std::u16string label);

    std::unique_ptr<OriginalTreeNode> m_root;
    size_t m_fileCount = 0;
    // The folder path of the last file placed and the node it led to. Placing never changes
    // where an existing path leads (new folders appear only where a segment was not found, new
    // files only below the folder reached), so a file of the same folder can go straight there;
    // sorting reorders children and forgets it.
    std::u16string m_lastFolderPath;
    OriginalTreeNode* m_lastFolder = nullptr;
};

// Compares two labels without regard to case: negative, zero or positive.
int CompareLabels(std::u16string_view a, std::u16string_view b);

} // namespace vx
