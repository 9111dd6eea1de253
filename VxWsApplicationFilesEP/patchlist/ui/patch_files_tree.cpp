#include "VxWsApplicationFilesEP/patchlist/ui/patch_files_tree.h"

#include "VxWsApplicationFilesEP/original/ui/tree_icons.h"
#include "VxWsApplicationFilesEP/resources/string_table.h"
#include "ide/framework/widgets/wrkspace_doc.h"
#include "ide/framework/widgets/wrkspace_view.h"
#include "platform/com/com_exception.h"


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
    DeleteAllItems();
    HTREEITEM root = InsertItem(QStringOf(LoadStringResource(IDS_FILES_TO_PATCH)), kPatchImageRoot,
                                kPatchImageRoot);
    SetItemData(root, reinterpret_cast<DWORD_PTR>(new PatchTreeItem{kPatchNodeRoot, nullptr}));

    ComPtr<IPatchFiles> files;
    ThrowIfFailed(m_patchProject->GetFiles(files.ReleaseAndGetAddressOf()));
    ComPtr<IEnumVARIANT> entries;
    ThrowIfFailed(files->NewEnum(entries.ReleaseAndGetAddressOf()));
    // One open of the package, when a label first needs it, serves the whole refresh.
    const struct RefreshScope {
        CPatchFilesTree& tree;
        explicit RefreshScope(CPatchFilesTree& t) : tree(t) { tree.m_refreshing = true; }
        ~RefreshScope() {
            tree.m_refreshing = false;
            if (tree.m_packageOpen) {
                tree.m_fileInfo.ClosePackage();
                tree.m_packageOpen = false;
            }
        }
    } scope(*this);
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
    if (!m_refreshing) {
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

} // namespace vx
