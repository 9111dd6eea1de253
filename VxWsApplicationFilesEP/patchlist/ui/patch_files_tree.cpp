#include "VxWsApplicationFilesEP/patchlist/ui/patch_files_tree.h"

#include "VxWsApplicationFilesEP/common/report_exception.h"
#include "VxWsApplicationFilesEP/original/drag_drop_app_file.h"
#include "VxWsApplicationFilesEP/original/ui/tree_icons.h"
#include "VxWsApplicationFilesEP/patchlist/patch_file_adder.h"
#include "VxWsApplicationFilesEP/patchlist/ui/dlg_original_setup_files.h"
#include "VxWsApplicationFilesEP/patchlist/ui/patch_tree_menu.h"
#include "VxWsApplicationFilesEP/resources/string_table.h"
#include "ide/automation/project_batch.h"
#include "ide/framework/message_service.h"
#include "ide/framework/widgets/browse_file.h"
#include "ide/framework/widgets/progress.h"
#include "ide/framework/widgets/wrkspace_doc.h"
#include "ide/framework/widgets/wrkspace_view.h"
#include "platform/com/com_exception.h"

#include <utility>

namespace vx {
namespace {

constexpr std::u16string_view kRootFolder = u"TARGETDIR";

struct PackageCloser {
    CPatchFileInfo& info;
    ~PackageCloser() { info.ClosePackage(); }
};

QString QStringOf(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

std::u16string Text(HRESULT hr, const BStr& text) {
    ThrowIfFailed(hr);
    return text.ToString();
}

} // namespace

// Keeps the package open for the labels of a refresh or of a batch of adds; nests.
class PackageHold {
public:
    explicit PackageHold(CPatchFilesTree& tree)
        : m_tree(tree), m_outer(std::exchange(tree.m_holdPackage, true)) {}
    ~PackageHold() {
        if (m_outer) {
            return;
        }
        m_tree.m_holdPackage = false;
        if (m_tree.m_packageOpen) {
            m_tree.m_fileInfo.ClosePackage();
            m_tree.m_packageOpen = false;
        }
    }
    PackageHold(const PackageHold&) = delete;
    PackageHold& operator=(const PackageHold&) = delete;

private:
    CPatchFilesTree& m_tree;
    bool m_outer;
};

CPatchFilesTree::CPatchFilesTree(QWidget* parent) : CVXTreeCtrl(parent) {}

CPatchFilesTree::~CPatchFilesTree() {
    DeleteAllItems(); // releases the entries; the base's destructor cannot reach OnDeleteItem
}

void CPatchFilesTree::InitializeTree(CVXWrkSpaceView* view) {
    CVXWrkSpaceDoc* document = view->GetDocument();
    if (!document) {
        ThrowIfFailed(E_UNEXPECTED);
    }
    ThrowIfFailed(document->GetProject(m_project.ReleaseAndGetAddressOf()));
    ThrowIfFailed(document->GetProjectRoot(m_projectRoot.ReleaseAndGetAddressOf()));
    ComPtr<IKestromProject> link;
    ThrowIfFailed(m_project.As(link));
    ComPtr<IPatchProject> patchProject;
    ThrowIfFailed(link->GetPatchProject(patchProject.ReleaseAndGetAddressOf()));
    m_fileInfo.AttachProject(patchProject.Get());
    m_patchProject = patchProject;
    m_view = view;
    BuildImageList();
    Refresh();
    Initialize(false, true, false, false, false);
}

void CPatchFilesTree::BuildImageList() {
    m_images = CVXImageList(QSize(16, 16));
    m_images.Add(LoadTreeIcon(QStringLiteral("patch_root")));
    m_images.Add(LoadTreeIcon(QStringLiteral("entry_blank")));
    m_images.Add(LoadTreeIcon(QStringLiteral("entry_new")));
    m_images.Add(LoadTreeIcon(QStringLiteral("entry_patched")));
    m_images.Add(LoadTreeIcon(QStringLiteral("entry_deleted")));
    SetImageList(&m_images);
}

void CPatchFilesTree::Refresh() {
    if (!m_patchProject) {
        return;
    }
    const CTreeBulkUpdate bulk(*this);
    DeleteAllItems();
    HTREEITEM root = InsertItem(QStringOf(LoadStringResource(IDS_FILES_TO_PATCH)), kPatchImageRoot,
                                kPatchImageRoot);
    SetItemData(root, reinterpret_cast<DWORD_PTR>(new PatchTreeItem{kPatchNodeRoot, nullptr}));

    ComPtr<IPatchFiles> files;
    ThrowIfFailed(m_patchProject->GetFiles(files.ReleaseAndGetAddressOf()));
    ComPtr<IEnumVARIANT> entries;
    ThrowIfFailed(files->NewEnum(entries.ReleaseAndGetAddressOf()));
    const PackageHold hold(*this);
    for (;;) {
        Variant item;
        ULONG fetched = 0;
        const HRESULT hr = entries->Next(1, item.Get(), &fetched);
        ThrowIfFailed(hr);
        if (hr != S_OK || fetched == 0) {
            break;
        }
        ComPtr<IPatchFile> entry;
        if (item.Type() != VT_UNKNOWN || !item.Get()->punkVal) {
            ThrowIfFailed(E_UNEXPECTED);
        }
        ThrowIfFailed(item.Get()->punkVal->QueryInterface(IPatchFile::kIid,
                                                          entry.ReleaseAndGetVoidAddress()));
        BStr directory;
        if (Text(entry->GetDestinationDir(directory.Out()), directory) == kRootFolder) {
            continue;
        }
        BStr key;
        int32_t type = 0;
        const std::u16string keyText = Text(entry->GetKey(key.Out()), key);
        ThrowIfFailed(entry->GetType(&type));
        InsertEntryNode(keyText, root, entry.Get(), type);
    }
    SelectItem(root);
    m_currentNode = root;
    Expand(root, TVE_EXPAND);
    EnsureVisible(root);
}

std::u16string CPatchFilesTree::LabelOf(const std::u16string& key, IPatchFile* entry,
                                        int32_t type) {
    if (type == kPatchTypeNewFile) {
        BStr path;
        const std::u16string full = Text(entry->GetNewFilePath(path.Out()), path);
        // A path on this machine; one written on Windows may still hold backslashes.
        const size_t slash = full.find_last_of(u"/\\");
        return slash == std::u16string::npos ? full : full.substr(slash + 1);
    }
    // Without the original package every key is missing from it.
    if (m_fileInfo.PackagePath().empty()) {
        return std::u16string(LoadStringResource(IDS_FILE_NOT_IN_ORIGINAL));
    }
    if (!m_holdPackage) {
        // A node added on its own: the package is opened for it alone.
        m_fileInfo.OpenPackage();
        const PackageCloser closer{m_fileInfo};
        m_fileInfo.SetFileKey(key);
        return m_fileInfo.GetFileName();
    }
    if (!m_packageOpen) {
        m_fileInfo.OpenPackage();
        m_packageOpen = true;
    }
    m_fileInfo.SetFileKey(key);
    return m_fileInfo.GetFileName();
}

HTREEITEM CPatchFilesTree::InsertEntryNode(const std::u16string& key, HTREEITEM parent,
                                           IPatchFile* entry, int32_t type) {
    int32_t nodeType = 0;
    int image = 0;
    switch (type) {
    case kPatchTypeUpdate:
        nodeType = kPatchNodeOriginalFile;
        image = kPatchImagePatched;
        break;
    case kPatchTypeDelete:
        nodeType = kPatchNodeOriginalFile;
        image = kPatchImageDeleted;
        break;
    case kPatchTypeNewFile:
        nodeType = kPatchNodeNewFile;
        image = kPatchImageNewFile;
        break;
    default:
        return nullptr;
    }
    auto record = std::make_unique<PatchTreeItem>(PatchTreeItem{nodeType, entry});
    const std::u16string label = LabelOf(key, entry, type);
    HTREEITEM node = InsertItem(QString::fromStdU16String(label), image, image, parent);
    SetItemData(node, reinterpret_cast<DWORD_PTR>(record.release()));
    return node;
}

const PatchTreeItem* CPatchFilesTree::ItemRecord(HTREEITEM item) const {
    return item ? reinterpret_cast<const PatchTreeItem*>(GetItemData(item)) : nullptr;
}

void CPatchFilesTree::MarkCurrentNodeDeleted() {
    SetCurrentNodeImage(kPatchImageDeleted);
}

void CPatchFilesTree::MarkCurrentNodePatched() {
    SetCurrentNodeImage(kPatchImagePatched);
}

void CPatchFilesTree::SetCurrentNodeImage(int image) {
    if (m_currentNode) {
        SetItemImage(m_currentNode, image, image);
    }
}

bool CPatchFilesTree::OnBeginLabelEdit(HTREEITEM) {
    return true; // labels come from the entries and the package
}

void CPatchFilesTree::OnDeleteItem(HTREEITEM item, DWORD_PTR itemData) {
    if (item == m_currentNode) {
        m_currentNode = nullptr;
    }
    delete reinterpret_cast<PatchTreeItem*>(itemData);
}

HTREEITEM CPatchFilesTree::RootNode() const {
    return GetRootItem();
}

void CPatchFilesTree::AddPatchFile(const std::u16string& key, HTREEITEM parent, int32_t type,
                                   const std::u16string& newFilePath) {
    AddOne(key, parent, type, newFilePath, DuplicateNotice::Show);
}

bool CPatchFilesTree::AddOne(const std::u16string& key, HTREEITEM parent, int32_t type,
                             const std::u16string& newFilePath, DuplicateNotice notice) {
    // The root is expanded whatever becomes of the key.
    const struct ExpandRoot {
        CPatchFilesTree& tree;
        ~ExpandRoot() { tree.Expand(tree.RootNode(), TVE_EXPAND); }
    } expandRoot{*this};
    CPatchFileAdder adder(m_patchProject.Get(), m_projectRoot.Get());
    const ComPtr<IPatchFile> entry = adder.AddPatchFile(key, type, newFilePath, notice);
    if (!entry) {
        return false;
    }
    InsertEntryNode(key, parent, entry.Get(), type);
    EnsureVisible(parent);
    return true;
}

void CPatchFilesTree::AddPatchFiles(const std::vector<std::u16string>& keys) {
    if (!m_patchProject || keys.empty()) {
        return;
    }
    bool duplicate = false;
    {
        // One commit for the whole action; a failure part-way commits what came before it.
        // Message 4 waits until the commit: other programs wait for the project during a batch.
        CProjectBatch batch(m_patchProject.Get());
        const PackageHold hold(*this);
        const CTreeBulkUpdate bulk(*this);
        // A large drop shows its progress; Cancel keeps the files added so far.
        CVXProgress progress(this, tr("Adding files to the patch"), static_cast<int>(keys.size()));
        for (size_t i = 0; i < keys.size(); ++i) {
            const QString label =
                i % 256 == 0 ? tr("%1 of %2 files added").arg(i).arg(keys.size()) : QString();
            if (!progress.Step(static_cast<int>(i), label)) {
                break;
            }
            if (!AddOne(keys[i], RootNode(), kPatchTypeUpdate, u"", DuplicateNotice::Quiet)) {
                duplicate = true;
            }
        }
        batch.Commit();
    }
    if (duplicate) {
        AppMessageBox(LoadStringResource(IDS_SAME_FILE_TWICE), MB_OK);
    }
}

void CPatchFilesTree::DeleteNode(HTREEITEM node) {
    const PatchTreeItem* record = ItemRecord(node);
    if (!record ||
        (record->nodeType != kPatchNodeOriginalFile && record->nodeType != kPatchNodeNewFile)) {
        return;
    }
    if (record->entry) {
        ComPtr<IProjectItem> item;
        ThrowIfFailed(
            record->entry->QueryInterface(IProjectItem::kIid, item.ReleaseAndGetVoidAddress()));
        ThrowIfFailed(item->Delete());
    }
    DeleteItem(node);
}

void CPatchFilesTree::OnPatchExistingFile() {
    if (!m_patchProject) {
        return;
    }
    BStr stored;
    ThrowIfFailed(m_patchProject->GetOriginalPackage(stored.Out()));
    CDlgOriginalSetupFiles dialog(nullptr);
    dialog.DoModal(stored.ToString(), m_patchProject.Get());
    AddPatchFiles(dialog.SelectedKeys());
}

void CPatchFilesTree::OnInsertNewFile() {
    if (!m_patchProject) {
        return;
    }
    CVXBrowseFile dialog(true, QStringLiteral("*.*"), QStringLiteral("*.*"),
                         OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST |
                             OFN_FILEMUSTEXIST,
                         QStringOf(LoadStringResource(IDS_ALL_FILES_FILTER)));
    const std::optional<QString> chosen = dialog.DoModal();
    if (!chosen) {
        return;
    }
    const std::u16string path = chosen->toStdU16String();
    CPatchFileAdder adder(m_patchProject.Get(), m_projectRoot.Get());
    AddPatchFile(adder.MakeNewFileKey(FileNamePart(path)), RootNode(), kPatchTypeNewFile, path);
}

void CPatchFilesTree::OnCommand(UINT id) {
    switch (id) {
    case ID_DELETE_PATCH_FILE:
        DeleteNode(m_currentNode);
        break;
    case ID_PATCH_EXISTING_FILE:
        OnPatchExistingFile();
        break;
    case ID_INSERT_NEW_FILE:
        OnInsertNewFile();
        break;
    default:
        break;
    }
}

void CPatchFilesTree::ShowContextMenu(QPoint screen) {
    m_currentNode = HitTest(ScreenToClient(screen));
    if (!m_currentNode) {
        return;
    }
    CVXMenu menu = LoadPatchTreeMenu();
    const PatchTreeItem* record = ItemRecord(m_currentNode);
    if (record && record->nodeType == kPatchNodeRoot) {
        menu.RemoveMenu(ID_DELETE_PATCH_FILE);
    }
    if (const UINT command = menu.TrackPopupMenu(screen, this)) {
        OnCommand(command);
    }
}

void CPatchFilesTree::OnContextMenu(QPoint screen) {
    ShowContextMenu(screen);
}

void CPatchFilesTree::ActOnKey(UINT virtualKey) {
    HTREEITEM caret = GetSelectedItem();
    if (!caret) {
        return;
    }
    switch (virtualKey) {
    case VK_INSERT:
        OnPatchExistingFile();
        break;
    case VK_DELETE:
        DeleteNode(caret);
        break;
    case VK_APPS: {
        QRect label;
        if (GetItemRect(caret, &label, true)) {
            ShowContextMenu(ClientToScreen(label.center()));
        }
        break;
    }
    default:
        break;
    }
}

void CPatchFilesTree::OnKeyDown(UINT virtualKey, UINT repeatCount, UINT flags) {
    try {
        ActOnKey(virtualKey);
    } catch (const CException& failure) {
        ReportException(kPatchTreeUnit, kPatchTreeKeyReportLine, failure);
    }
    CVXTreeCtrl::OnKeyDown(virtualKey, repeatCount, flags);
}

DROPEFFECT CPatchFilesTree::CheckTreeForDropEffect(CDragDropData* record, uint32_t, HTREEITEM) {
    return dynamic_cast<CDragDropAppFile*>(record) ? DROPEFFECT_COPY : DROPEFFECT_NONE;
}

bool CPatchFilesTree::OnTreeDrop(CDragDropData* record, DROPEFFECT, HTREEITEM) {
    const auto* files = dynamic_cast<CDragDropAppFile*>(record);
    if (!files) {
        return true;
    }
    std::vector<std::u16string> keys;
    keys.reserve(files->Keys().size());
    for (const CDragDropAppFile::Key& key : files->Keys()) {
        if (key) { // a key the record could not carry names no file
            keys.push_back(*key);
        }
    }
    AddPatchFiles(keys);
    SelectItem(nullptr);
    return true;
}

} // namespace vx
