#include "VxWsApplicationFilesEP/original/ui/original_setup_files_tree.h"

#include "VxWsApplicationFilesEP/common/report_exception.h"
#include "VxWsApplicationFilesEP/original/drag_drop_app_file.h"
#include "VxWsApplicationFilesEP/original/original_files_fill.h"
#include "VxWsApplicationFilesEP/original/ui/tree_icons.h"
#include "VxWsApplicationFilesEP/resources/string_table.h"
#include "ide/automation/project_interfaces.h"
#include "ide/framework/path_util.h"
#include "ide/framework/widgets/progress.h"
#include "ide/framework/widgets/tree_model.h"
#include "ide/framework/widgets/wrkspace_doc.h"
#include "ide/framework/widgets/wrkspace_view.h"

#include <new>
#include <utility>
#include <vector>

namespace vx {
namespace {

int ImageOf(NodeKind kind) {
    switch (kind) {
    case NodeKind::Root:
        return kOriginalImagePackage;
    case NodeKind::File:
        return kOriginalImageDocument;
    case NodeKind::Folder:
        return kOriginalImageFolder;
    }
    return kOriginalImageDocument;
}

} // namespace

COriginalSetupFilesTree::COriginalSetupFilesTree(QWidget* parent) : CVXTreeCtrl(parent) {}

COriginalSetupFilesTree::~COriginalSetupFilesTree() {
    DeleteAllItems(); // the base's destructor cannot reach OnDeleteItem
}

void COriginalSetupFilesTree::InitializeTree(CVXWrkSpaceView* view) {
    CVXWrkSpaceDoc* document = view->GetDocument();
    if (!document) {
        ThrowIfFailed(E_UNEXPECTED);
    }
    ComPtr<IProjectRoot> root;
    ThrowIfFailed(document->GetProjectRoot(root.ReleaseAndGetAddressOf()));
    ComPtr<IProject> project;
    ThrowIfFailed(document->GetProject(project.ReleaseAndGetAddressOf()));
    ComPtr<IKestromProject> link;
    ThrowIfFailed(project.As(link));
    ComPtr<IPatchProject> patchProject;
    ThrowIfFailed(link->GetPatchProject(patchProject.ReleaseAndGetAddressOf()));
    BStr stored;
    ThrowIfFailed(patchProject->GetOriginalPackage(stored.Out()));
    m_packagePath = stored.ToString();

    BuildImageList();
    ComPtr<IPathVariables> variables;
    patchProject.As(variables); // a project without variables takes the path as it stands
    Fill(UtilGetAbsolutePathFromPathVar(m_packagePath, variables.Get()));
}

void COriginalSetupFilesTree::BuildImageList() {
    m_images = CVXImageList(QSize(16, 16));
    m_images.Add(LoadTreeIcon(QStringLiteral("package")));
    m_images.Add(LoadTreeIcon(QStringLiteral("document")));
    m_images.Add(LoadTreeIcon(QStringLiteral("folder_closed")));
    m_images.Add(LoadTreeIcon(QStringLiteral("folder_open")));
    SetImageList(&m_images);
}

void COriginalSetupFilesTree::Fill(const std::u16string& packagePath) {
    const CTreeBulkUpdate bulk(*this);
    DeleteAllItems();
    OriginalFilesModel model{std::u16string(LoadStringResource(IDS_ORIGINAL_SETUP_FILES))};
    // A large package shows its progress; Cancel leaves the files read so far.
    CVXProgress progress(this, tr("Reading the original setup package"), 0);
    const auto rowsRead = [&progress](size_t rows) {
        return progress.Step(static_cast<int>(rows), tr("%1 files read").arg(rows));
    };
    try {
        FillOriginalFiles(model, packagePath, rowsRead);
    } catch (...) {
        InsertModel(model); // what was placed before the failure stays
        throw;
    }
    InsertModel(model);
    Expand(GetRootItem(), TVE_EXPAND);
}

void COriginalSetupFilesTree::InsertModel(const OriginalFilesModel& model) {
    // Each node's children are appended together, in display order, before any of them is
    // visited; the tree takes the whole lot as one insertion.
    CTreeNodeBuilder nodes;
    auto add = [&nodes](HTREEITEM parent, const OriginalTreeNode& node) {
        const OriginalTreeItem& item = node.Item();
        const int image = ImageOf(item.kind);
        auto record = std::make_unique<OriginalTreeItem>(item);
        HTREEITEM added = nodes.Append(parent, QString::fromStdU16String(item.label), image, image,
                                       reinterpret_cast<DWORD_PTR>(record.get()));
        record.release(); // the node owns it now
        return added;
    };
    std::vector<std::pair<const OriginalTreeNode*, HTREEITEM>> pending{
        {&model.Root(), add(nullptr, model.Root())}};
    try {
        while (!pending.empty()) {
            const auto [node, item] = pending.back();
            pending.pop_back();
            for (const auto& child : node->Children()) {
                pending.emplace_back(child.get(), add(item, *child));
            }
        }
    } catch (...) {
        // The records of nodes never inserted are ours to free.
        std::vector<const TreeNode*> built(nodes.Tops().begin(), nodes.Tops().end());
        while (!built.empty()) {
            const TreeNode* node = built.back();
            built.pop_back();
            delete reinterpret_cast<OriginalTreeItem*>(node->data);
            built.insert(built.end(), node->children.begin(), node->children.end());
        }
        throw;
    }
    InsertItems(nodes);
}

const OriginalTreeItem* COriginalSetupFilesTree::ItemRecord(HTREEITEM item) const {
    return item ? reinterpret_cast<const OriginalTreeItem*>(GetItemData(item)) : nullptr;
}

bool COriginalSetupFilesTree::OnBeginLabelEdit(HTREEITEM) {
    return true; // the tree shows the package; nothing in it is renamed
}

void COriginalSetupFilesTree::OnBeginDrag(HTREEITEM item, bool rightButton) {
    const OriginalTreeItem* record = ItemRecord(item);
    if (!record || record->kind == NodeKind::Root) {
        return;
    }
    Initialize(true, false, false, false, false);
    CVXTreeCtrl::OnBeginDrag(item, rightButton);
}

std::unique_ptr<CDragDropData> COriginalSetupFilesTree::CreateDragDropData(HTREEITEM item) {
    try {
        const OriginalTreeItem* record = ItemRecord(item);
        if (!record || (record->kind != NodeKind::File && record->kind != NodeKind::Folder)) {
            return nullptr;
        }
        auto payload = std::make_unique<CDragDropAppFile>();
        if (record->kind == NodeKind::File) {
            payload->AddKey(record->key);
        } else {
            CollectKeys(item, *payload);
        }
        return payload;
    } catch (const CException& failure) {
        ReportException(kOriginalTreeUnit, kDragPayloadReportLine, failure);
    } catch (const std::bad_alloc&) {
        ReportException(kOriginalTreeUnit, kDragPayloadReportLine,
                        CComException(com_exception(E_OUTOFMEMORY)));
    }
    return nullptr;
}

void COriginalSetupFilesTree::CollectKeys(HTREEITEM folder, CDragDropAppFile& record) const {
    for (HTREEITEM child = GetChildItem(folder); child; child = GetNextSiblingItem(child)) {
        const OriginalTreeItem* item = ItemRecord(child);
        if (item->kind == NodeKind::File) {
            record.AddKey(item->key);
        } else if (item->kind == NodeKind::Folder) {
            CollectKeys(child, record);
        }
    }
}

void COriginalSetupFilesTree::OnDeleteItem(HTREEITEM, DWORD_PTR itemData) {
    delete reinterpret_cast<OriginalTreeItem*>(itemData);
}

} // namespace vx
