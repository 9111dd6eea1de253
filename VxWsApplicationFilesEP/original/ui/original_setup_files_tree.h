#pragma once
// The Original Setup Files tree as a window: every file of the original package under its
// destination folder (the fill of original_files_fill.h), drawn with the package, document and
// folder images. Files and folders are dragged onto the Files To Patch tree as a
// CDragDropAppFile; the root is not dragged, and labels cannot be edited.

#include "VxWsApplicationFilesEP/original/original_files_model.h"
#include "ide/framework/widgets/image_list.h"
#include "ide/framework/widgets/tree_ctrl.h"

#include <string>

namespace vx {

class CDragDropAppFile;
class CVXWrkSpaceView;

// The tree's images, by index.
inline constexpr int kOriginalImagePackage = 0;
inline constexpr int kOriginalImageDocument = 1;
inline constexpr int kOriginalImageFolder = 2;
inline constexpr int kOriginalImageOpenFolder = 3;

// Where the tree reports a failure to build a drag's payload.
inline constexpr char16_t kOriginalTreeUnit[] =
    u"FrontEnd\\Views\\Kestrom\\VxWsApplicationFilesEP\\OriginalSetupFilesTree";
inline constexpr int kDragPayloadReportLine = 293;

class COriginalSetupFilesTree : public CVXTreeCtrl {
    Q_OBJECT

public:
    explicit COriginalSetupFilesTree(QWidget* parent = nullptr);
    ~COriginalSetupFilesTree() override;

    // Takes the original package's path from the project of `view`'s document, builds the
    // image list and fills the tree. A failure of the project calls raises before anything is
    // inserted; a failure of the fill raises with the nodes placed so far left in the tree.
    void InitializeTree(CVXWrkSpaceView* view);
    // Refills the tree from the package at `packagePath` (path variables expanded). A package
    // that cannot be opened leaves the root alone.
    void Fill(const std::u16string& packagePath);

    // The path as the project stores it (path variables not expanded).
    const std::u16string& PackagePath() const { return m_packagePath; }
    // The node's record; null for no node.
    const OriginalTreeItem* ItemRecord(HTREEITEM item) const;

protected:
    bool OnBeginLabelEdit(HTREEITEM item) override;
    void OnBeginDrag(HTREEITEM item, bool rightButton) override;
    std::unique_ptr<CDragDropData> CreateDragDropData(HTREEITEM item) override;
    void OnDeleteItem(HTREEITEM item, DWORD_PTR itemData) override;

private:
    void BuildImageList();
    // Moves the model's nodes into the tree in one insertion.
    void InsertModel(const OriginalFilesModel& model);
    // The File keys below `folder`, depth-first in display order.
    void CollectKeys(HTREEITEM folder, CDragDropAppFile& record) const;

    std::u16string m_packagePath;
    CVXImageList m_images;
};

} // namespace vx
