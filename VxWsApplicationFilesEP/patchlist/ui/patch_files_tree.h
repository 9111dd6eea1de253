#pragma once
// The Files To Patch tree: the root "Files To Patch" and one node per patch entry of the project
// (the rows of VXKestromFile), in the project's order. An entry is labelled with its new file's
// name or with the original file's long name, and drawn with its type's image. Each node owns a
// record of its node type and its entry; the view reads the type to choose the form. Labels
// cannot be edited.
//
// Dropping files, the context menu, the Ins and Del keys and deleting entries build on
// InsertEntryNode, the current node and the drop-target mode set up here.

#include "VxWsApplicationFilesEP/patchlist/patch_file_info.h"
#include "ide/automation/project_interfaces.h"
#include "ide/framework/widgets/image_list.h"
#include "ide/framework/widgets/tree_ctrl.h"

#include <string>

namespace vx {

class CVXWrkSpaceView;

// Node types of the records.
inline constexpr int32_t kPatchNodeRoot = 0;
inline constexpr int32_t kPatchNodeOriginalFile = 1; // an entry that patches or deletes a file
inline constexpr int32_t kPatchNodeNewFile = 2;

// The tree's images, by index.
inline constexpr int kPatchImageRoot = 0;
inline constexpr int kPatchImageBlank = 1;
inline constexpr int kPatchImageNewFile = 2;
inline constexpr int kPatchImagePatched = 3;
inline constexpr int kPatchImageDeleted = 4;

struct PatchTreeItem {
    int32_t nodeType = kPatchNodeRoot;
    ComPtr<IPatchFile> entry; // none for the root
};

class CPatchFilesTree : public CVXTreeCtrl {
    Q_OBJECT

public:
    explicit CPatchFilesTree(QWidget* parent = nullptr);
    ~CPatchFilesTree() override;

    // Binds the tree to the project of `view`'s document and fills it. The file information
    // warns once when the original package is missing. Project failures raise.
    void InitializeTree(CVXWrkSpaceView* view);
    // Rebuilds every node from the project's entries; entries installed into TARGETDIR itself
    // are not listed. Afterwards the root is selected, current, expanded and in view. Does
    // nothing before InitializeTree. Project failures raise.
    void Refresh();
    // Appends the node of `entry` (key `key`, entry type `type`) under `parent`; null, and no
    // node, for a type that is none of update, delete or new file.
    HTREEITEM InsertEntryNode(const std::u16string& key, HTREEITEM parent, IPatchFile* entry,
                              int32_t type);

    // The node that the context menu, the Delete command and the forms act on.
    HTREEITEM GetCurrentNode() const { return m_currentNode; }
    void SetCurrentNode(HTREEITEM node) { m_currentNode = node; }
    // The current node gets the image of an entry the patch deletes, or of one it updates.
    void MarkCurrentNodeDeleted();
    void MarkCurrentNodePatched();
    // The node's record; null for no node.
    const PatchTreeItem* ItemRecord(HTREEITEM item) const;

    CVXWrkSpaceView* GetView() const { return m_view; }
    IPatchProject* GetPatchProject() const { return m_patchProject.Get(); }
    CPatchFileInfo& FileInfo() { return m_fileInfo; }

protected:
    bool OnBeginLabelEdit(HTREEITEM item) override;
    void OnDeleteItem(HTREEITEM item, DWORD_PTR itemData) override;

private:
    void BuildImageList();
    // Does nothing without a current node.
    void SetCurrentNodeImage(int image);
    std::u16string LabelOf(const std::u16string& key, IPatchFile* entry, int32_t type);

    CVXImageList m_images;
    ComPtr<IProject> m_project;
    ComPtr<IProjectRoot> m_projectRoot;
    ComPtr<IPatchProject> m_patchProject;
    CVXWrkSpaceView* m_view = nullptr;
    HTREEITEM m_currentNode = nullptr;
    CPatchFileInfo m_fileInfo;
    bool m_refreshing = false;
    bool m_packageOpen = false; // during a refresh: one open of the package for all labels
};

} // namespace vx
