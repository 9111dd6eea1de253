#pragma once
// The Files To Patch tree: the root "Files To Patch" and one node per patch entry of the project
// (the rows of VXKestromFile), in the project's order. An entry is labelled with its new file's
// name or with the original file's long name, and drawn with its type's image. Each node owns a
// record of its node type and its entry; the view reads the type to choose the form. Labels
// cannot be edited.
//
// Files come in by a drop of a CDragDropAppFile (a file or a whole folder of the Original Setup
// Files tree), by "Patch Existing File" (the Select File dialog; Ins) and by "Insert New File"
// (a file dialog); entries leave by Delete (menu 207 or Del), without a question. Each of these
// user actions is one batch of the project: one commit, announced once.

#include "VxWsApplicationFilesEP/patchlist/patch_file_adder.h"
#include "VxWsApplicationFilesEP/patchlist/patch_file_info.h"
#include "ide/automation/project_interfaces.h"
#include "ide/framework/widgets/image_list.h"
#include "ide/framework/widgets/tree_ctrl.h"

#include <string>
#include <vector>

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

// Where the tree reports what its keys' actions raise.
inline constexpr char16_t kPatchTreeUnit[] =
    u"FrontEnd\\Views\\Kestrom\\VxWsApplicationFilesEP\\PatchFileTree";
inline constexpr int kPatchTreeKeyReportLine = 466;

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

    // Adds the file `key` of the original package (type 0) or the new file at `newFilePath`
    // under the key made for it (type 2) as an entry, and its node under `parent`; a key
    // already in the list shows message 4 instead. The root ends expanded either way.
    void AddPatchFile(const std::u16string& key, HTREEITEM parent, int32_t type,
                      const std::u16string& newFilePath);
    // Adds the files of the original package with these keys, in order, as one batch of the
    // project. A key already in the list is skipped with message 4, shown once for the batch.
    // A failure leaves the entries added before it in the project and in the tree.
    void AddPatchFiles(const std::vector<std::u16string>& keys);
    // Removes the entry of `node` from the project, then the node; the root stays. A refusal of
    // the project raises and leaves the node.
    void DeleteNode(HTREEITEM node);
    // Commands of menu 207.
    void OnPatchExistingFile();
    void OnInsertNewFile();
    void OnCommand(UINT id);
    // Shows menu 207 for the node at `screen` (which becomes the current node); nothing over
    // empty space.
    void ShowContextMenu(QPoint screen);

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
    void OnKeyDown(UINT virtualKey, UINT repeatCount, UINT flags) override;
    void OnContextMenu(QPoint screen) override;
    DROPEFFECT CheckTreeForDropEffect(CDragDropData* record, uint32_t keyState,
                                      HTREEITEM target) override;
    bool OnTreeDrop(CDragDropData* record, DROPEFFECT effect, HTREEITEM target) override;

private:
    void BuildImageList();
    // Does nothing without a current node.
    void SetCurrentNodeImage(int image);
    std::u16string LabelOf(const std::u16string& key, IPatchFile* entry, int32_t type);
    HTREEITEM RootNode() const;
    // One add; false for a key already in the list.
    bool AddOne(const std::u16string& key, HTREEITEM parent, int32_t type,
                const std::u16string& newFilePath, DuplicateNotice notice);
    // The key press's own action, before the tree's handling; raises what the action raises.
    void ActOnKey(UINT virtualKey);

    CVXImageList m_images;
    ComPtr<IProject> m_project;
    ComPtr<IProjectRoot> m_projectRoot;
    ComPtr<IPatchProject> m_patchProject;
    CVXWrkSpaceView* m_view = nullptr;
    HTREEITEM m_currentNode = nullptr;
    CPatchFileInfo m_fileInfo;
    // During a refresh or a batch of adds the package, once opened for a label, stays open for
    // the labels that follow.
    bool m_holdPackage = false;
    bool m_packageOpen = false;
    friend class PackageHold;
};

} // namespace vx
