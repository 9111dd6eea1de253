#include "VxWsApplicationFilesEP/original/original_files_model.h"

#include "platform/sys/letter_case.h"
#include "platform/sys/path_strings.h"

#include <algorithm>

namespace vx {
namespace {

void SortChildren(std::vector<std::unique_ptr<OriginalTreeNode>>& children) {
    std::stable_sort(children.begin(), children.end(), [](const auto& a, const auto& b) {
        const NodeKind ka = a->Item().kind;
        const NodeKind kb = b->Item().kind;
        if (ka == NodeKind::Root || kb == NodeKind::Root) {
            return false;
        }
        if (ka != kb) {
            return ka == NodeKind::Folder;
        }
        return CompareLabels(a->Item().label, b->Item().label) < 0;
    });
}

void PrintNode(const OriginalTreeNode& node, size_t depth, std::u16string& out) {
    out.append(depth * 2, u' ');
    out += node.Item().label;
    out += u'\n';
    for (const auto& child : node.Children()) {
        PrintNode(*child, depth + 1, out);
    }
}

void CollectKeys(const OriginalTreeNode& node, std::vector<std::u16string>& keys) {
    for (const auto& child : node.Children()) {
        if (child->Item().kind == NodeKind::File) {
            keys.push_back(child->Item().key);
        } else if (child->Item().kind == NodeKind::Folder) {
            CollectKeys(*child, keys);
        }
    }
}

} // namespace

size_t FoldedLabelHash::operator()(std::u16string_view label) const {
    // FNV-1a over the folded characters.
    uint64_t hash = 14695981039346656037ULL;
    ForEachFoldedCharacter(label, [&](char32_t c) { hash = (hash ^ c) * 1099511628211ULL; });
    return static_cast<size_t>(hash);
}

bool FoldedLabelEqual::operator()(std::u16string_view a, std::u16string_view b) const {
    return a.size() == b.size() && CompareLabels(a, b) == 0;
}

int CompareLabels(std::u16string_view a, std::u16string_view b) {
    return CompareIgnoringCase(a, b);
}

OriginalFilesModel::OriginalFilesModel(std::u16string rootLabel)
    : m_root(std::make_unique<OriginalTreeNode>(
          OriginalTreeItem{NodeKind::Root, {}, std::move(rootLabel)}, nullptr)) {}

OriginalTreeNode* OriginalFilesModel::FindChild(OriginalTreeNode& node, std::u16string_view label) {
    auto& index = node.m_firstByLabel;
    if (index.empty() && !node.m_children.empty()) {
        // Never built, or dropped by sorting: every child, in display order.
        for (const auto& child : node.m_children) {
            index.emplace(child->m_item.label, child.get()); // keeps the first of each label
        }
        node.m_unindexedFiles = 0;
        const auto it = index.find(label);
        return it == index.end() ? nullptr : it->second;
    }
    if (const auto it = index.find(label); it != index.end()) {
        // Whatever the index holds comes before the files not yet in it: folders precede
        // files, and files are indexed in the order they were added.
        return it->second;
    }
    if (node.m_unindexedFiles == 0) {
        return nullptr;
    }
    const auto& children = node.m_children;
    for (size_t i = children.size() - node.m_unindexedFiles; i < children.size(); ++i) {
        index.emplace(children[i]->m_item.label, children[i].get());
    }
    node.m_unindexedFiles = 0;
    const auto it = index.find(label);
    return it == index.end() ? nullptr : it->second;
}

OriginalTreeNode& OriginalFilesModel::PlaceFile(std::u16string_view folderPath, std::u16string key,
                                                std::u16string label) {
    if (m_lastFolder && folderPath == m_lastFolderPath) {
        return AddFile(*m_lastFolder, std::move(key), std::move(label));
    }
    OriginalTreeNode* current = m_root.get();
    auto enter = [&](std::u16string_view piece) {
        if (OriginalTreeNode* found = FindChild(*current, piece)) {
            current = found;
            return;
        }
        auto folder = std::make_unique<OriginalTreeNode>(
            OriginalTreeItem{NodeKind::Folder, {}, std::u16string(piece)}, current);
        OriginalTreeNode* inserted = folder.get();
        // New folders go before the first child.
        auto& children = current->m_children;
        children.insert(children.begin(), std::move(folder));
        current->m_firstByLabel.emplace(inserted->m_item.label, inserted);
        current = inserted;
    };
    // The segments as SplitString gives them without skipping: an empty path is one empty
    // segment, empty segments in the middle count, a trailing separator adds none.
    if (folderPath.empty()) {
        enter({});
    } else {
        size_t start = 0;
        for (size_t pos = folderPath.find(kTargetSeparator); pos != std::u16string_view::npos;
             pos = folderPath.find(kTargetSeparator, start)) {
            enter(folderPath.substr(start, pos - start));
            start = pos + 1;
        }
        if (start < folderPath.size()) {
            enter(folderPath.substr(start));
        }
    }
    m_lastFolderPath.assign(folderPath);
    m_lastFolder = current;
    return AddFile(*current, std::move(key), std::move(label));
}

OriginalTreeNode& OriginalFilesModel::AddFile(OriginalTreeNode& folder, std::u16string key,
                                              std::u16string label) {
    auto file = std::make_unique<OriginalTreeNode>(
        OriginalTreeItem{NodeKind::File, std::move(key), std::move(label)}, &folder);
    OriginalTreeNode* inserted = file.get();
    // Indexed only when a lookup below this folder misses: most folders hold files alone.
    folder.m_children.push_back(std::move(file));
    ++folder.m_unindexedFiles;
    ++m_fileCount;
    return *inserted;
}

void OriginalFilesModel::Sort() {
    m_lastFolder = nullptr;
    // Iterative, so that a deep tree cannot exhaust the stack.
    std::vector<OriginalTreeNode*> pending{m_root.get()};
    while (!pending.empty()) {
        OriginalTreeNode* node = pending.back();
        pending.pop_back();
        if (node->m_children.empty()) {
            continue;
        }
        SortChildren(node->m_children);
        // The first child of each label may have changed places: the index is built again
        // when something is placed here next.
        node->m_firstByLabel.clear();
        node->m_unindexedFiles = 0;
        for (const auto& child : node->m_children) {
            pending.push_back(child.get());
        }
    }
}

std::vector<std::u16string> OriginalFilesModel::DragKeys(const OriginalTreeNode& node) {
    std::vector<std::u16string> keys;
    if (node.Item().kind == NodeKind::File) {
        keys.push_back(node.Item().key);
    } else if (node.Item().kind == NodeKind::Folder) {
        CollectKeys(node, keys);
    }
    return keys;
}

std::u16string OriginalFilesModel::Print() const {
    std::u16string out;
    PrintNode(*m_root, 0, out);
    return out;
}

} // namespace vx
