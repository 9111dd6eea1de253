#include "VxWsApplicationFilesEP/shell/application_files_view.h"

#include "VxWsApplicationFilesEP/common/help_service_access.h"
#include "VxWsApplicationFilesEP/common/report_exception.h"
#include "VxWsApplicationFilesEP/shell/application_files_doc.h"
#include "VxWsApplicationFilesEP/shell/identities.h"
#include "VxWsApplicationFilesEP/resources/string_table.h"
#include "VxWsApplicationFilesEP/shell/page_fonts.h"
#include "ide/framework/widgets/attribute_form.h"
#include "ide/framework/widgets/workspace_interfaces.h"
#include "ide/framework/widgets/wrkspace_frame.h"
#include "platform/com/com_exception.h"

namespace vx {
namespace {

constexpr uint32_t kTreeStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS |
                                TVS_HASLINES | TVS_LINESATROOT | TVS_EDITLABELS;
constexpr int kMinimumPaneSize = 10;

QString QStringOf(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

std::optional<std::u16string_view> ApplicationFilesHelpTopic(bool hasSelection,
                                                            int32_t lastPatchNodeType) {
    if (!hasSelection) {
        return u"KMApplicationFiles.htm";
    }
    switch (lastPatchNodeType) {
    case kPatchNodeRoot:
        return u"KMApplicationFiles.htm";
    case kPatchNodeOriginalFile:
        return u"KMAppFileModifiedCommonTab.htm";
    case kPatchNodeNewFile:
        return u"KMAppFileNewCommonTab.htm";
    default:
        return std::nullopt;
    }
}

CVxWsApplicationFilesEPView::CVxWsApplicationFilesEPView()
    : CVXWrkSpaceView(IDD_VXWSAPPLICATIONFILESEP_VIEW) {
    for (CVXTreeCtrl* tree : {static_cast<CVXTreeCtrl*>(&m_patchTree),
                              static_cast<CVXTreeCtrl*>(&m_originalTree)}) {
        connect(tree, &CVXTreeCtrl::SelChanged, this,
                &CVxWsApplicationFilesEPView::OnTreeSelChanged);
        connect(tree, &CVXTreeCtrl::KillFocus, this, &CVxWsApplicationFilesEPView::OnTreeKillFocus);
    }
}

CVxWsApplicationFilesEPView::~CVxWsApplicationFilesEPView() {
    // The trees outlive this body: their last deselections must not reach a view half gone.
    m_patchTree.disconnect(this);
    m_originalTree.disconnect(this);
}

CVxWsApplicationFilesEPDoc* CVxWsApplicationFilesEPView::GetDocument() const {
    return static_cast<CVxWsApplicationFilesEPDoc*>(CVXWrkSpaceView::GetDocument());
}

void CVxWsApplicationFilesEPView::OnInitialUpdate() {
    try {
        BuildPage();
    } catch (const CException& failure) {
        ReportException(kApplicationFilesViewUnit, kInitialUpdateReportLine, failure);
    }
    // Whatever happened, the page gets its font.
    EnsureFonts();
    setFont(*m_normalFont);
    if (CVXWrkSpaceFrame* frame = GetParentFrame()) {
        frame->RecalcLayout();
    }
}

void CVxWsApplicationFilesEPView::BuildPage() {
    CVXWrkSpaceView::OnInitialUpdate();
    CVxWsApplicationFilesEPDoc* document = GetDocument();
    if (!document) {
        ThrowIfFailed(E_UNEXPECTED);
    }
    document->SetView(this);

    ComPtr<IProject> project;
    ThrowIfFailed(document->GetProject(project.ReleaseAndGetAddressOf()));
    ThrowIfFailed(project.As(m_kestromProject));
    ComPtr<IProjectRoot> root;
    ThrowIfFailed(document->GetProjectRoot(root.ReleaseAndGetAddressOf()));
    ThrowIfFailed(root.As(m_projectRoot));

    m_outerSplitter.CreateStatic(this, 1, 2, WS_CHILD | WS_VISIBLE, AFX_IDW_PANE_FIRST);
    m_innerSplitter.CreateStatic(&m_outerSplitter, 2, 1, WS_CHILD | WS_VISIBLE,
                                 AFX_IDW_PANE_FIRST);
    m_outerSplitter.AttachSplitter(0, 0, &m_innerSplitter);

    m_patchTree.Create(kTreeStyle, QRect(), &m_innerSplitter, CVXSplitterWnd::IdFromRowCol(1, 0));
    m_innerSplitter.AttachWindow(1, 0, &m_patchTree);
    m_originalTree.Create(kTreeStyle, QRect(), &m_innerSplitter,
                          CVXSplitterWnd::IdFromRowCol(0, 0));
    m_innerSplitter.AttachWindow(0, 0, &m_originalTree);

    m_pageHost.Create(WS_CHILD | WS_VISIBLE | WS_TABSTOP, QRect(), &m_outerSplitter,
                      CVXSplitterWnd::IdFromRowCol(0, 1));
    m_outerSplitter.AttachWindow(0, 1, &m_pageHost);
    // Screen readers name the panes as the page's texts do.
    m_originalTree.setAccessibleName(QStringOf(LoadStringResource(IDS_ORIGINAL_SETUP_FILES)));
    m_patchTree.setAccessibleName(QStringOf(LoadStringResource(IDS_FILES_TO_PATCH)));

    const std::pair<std::unique_ptr<IPageForm>*, PageFormSlot> forms[] = {
        {&m_modifiedFileForm, PageFormSlot::ModifiedFile},
        {&m_newFileForm, PageFormSlot::NewFile},
        {&m_originalFileForm, PageFormSlot::OriginalFile},
    };
    for (const auto& [form, slot] : forms) {
        *form = CreatePageForm(slot);
        if (*form) {
            (*form)->Create(&m_outerSplitter, CVXSplitterWnd::IdFromRowCol(0, 1));
            (*form)->Init(this);
            m_outerSplitter.AttachWindow(0, 1, (*form)->Window());
        }
    }

    m_layoutArmed = true;
    m_firstLayoutPending = true;

    m_patchTree.InitializeTree(this);
    m_originalTree.InitializeTree(this);

    OnSize(width(), height());
    ShowContentsPage();
}

void CVxWsApplicationFilesEPView::OnSize(int cx, int cy) {
    CVXWrkSpaceView::OnSize(cx, cy);
    if (!m_layoutArmed) {
        return;
    }
    m_outerSplitter.MoveWindowNoBorder(rect(), true);
    if (m_firstLayoutPending) {
        if (cx >= 0) {
            m_outerSplitter.SetColumnInfo(0, cx / 3, kMinimumPaneSize);
            m_outerSplitter.SetColumnInfo(1, (2 * cx) / 3, kMinimumPaneSize);
        }
        if (cy >= 0) {
            m_innerSplitter.SetRowInfo(0, cy / 2, kMinimumPaneSize);
            m_innerSplitter.SetRowInfo(1, cy / 2, kMinimumPaneSize);
        }
        m_outerSplitter.RecalcLayout();
        m_innerSplitter.RecalcLayout();
        m_firstLayoutPending = false;
    }
}

bool CVxWsApplicationFilesEPView::IsPatchTree(const CVXTreeCtrl* tree) const {
    return tree->GetDlgCtrlID() == CVXSplitterWnd::IdFromRowCol(1, 0);
}

void CVxWsApplicationFilesEPView::OnTreeSelChanged(CVXTreeCtrl* tree, HTREEITEM,
                                                   HTREEITEM newItem) {
    try {
        RouteSelection(tree, newItem);
    } catch (const CException& failure) {
        ReportException(kApplicationFilesViewUnit, kSelectionReportLine, failure);
    }
}

void CVxWsApplicationFilesEPView::RouteSelection(CVXTreeCtrl* tree, HTREEITEM newItem) {
    CVXAttributeForm::CommitEditControl();
    if (IsPatchTree(tree)) {
        if (!newItem) {
            return;
        }
        m_patchTree.SetCurrentNode(newItem);
        const PatchTreeItem* record = m_patchTree.ItemRecord(newItem);
        m_hasSelection = true;
        m_lastPatchNodeType = record ? record->nodeType : kPatchNodeRoot;
        if (record && record->entry &&
            (record->nodeType == kPatchNodeOriginalFile || record->nodeType == kPatchNodeNewFile)) {
            BStr key;
            ThrowIfFailed(record->entry->GetKey(key.Out()));
            ShowForm(record->nodeType == kPatchNodeOriginalFile ? m_modifiedFileForm.get()
                                                                : m_newFileForm.get(),
                     key.ToString());
        } else {
            ShowContentsPage();
        }
        return;
    }
    m_hasSelection = false;
    if (!newItem) {
        return;
    }
    m_hasSelection = true;
    const OriginalTreeItem* record = m_originalTree.ItemRecord(newItem);
    if (record && record->kind == NodeKind::File) {
        ShowForm(m_originalFileForm.get(), record->key);
    } else {
        ShowContentsPage();
    }
}

void CVxWsApplicationFilesEPView::OnFilter(const QString& text) {
    m_originalTree.SetLeafFilter(text);
    m_patchTree.SetLeafFilter(text);
}

void CVxWsApplicationFilesEPView::ShowForm(IPageForm* form, const std::u16string& key) {
    if (!form) {
        ShowContentsPage(); // the page stands without its forms
        return;
    }
    form->ShowFile(key);
    m_outerSplitter.FlipWindow(0, 1, form->Window());
}

void CVxWsApplicationFilesEPView::ShowContentsPage() {
    const CVxWsApplicationFilesEPDoc* document = GetDocument();
    const std::u16string page =
        document ? document->GetFullProgramFilename(kContentsPageName, kContentsPageExtension)
                 : std::u16string(kContentsPageName) + kContentsPageExtension;
    m_pageHost.ShowWorkspace(QString::fromStdU16String(page));
    m_outerSplitter.FlipWindow(0, 1, &m_pageHost);
}

void CVxWsApplicationFilesEPView::OnTreeKillFocus(CVXTreeCtrl* tree) {
    // The deselection that follows carries no new item: the right pane keeps its form, and a
    // later click on the same node loads it anew.
    if (IsPatchTree(tree)) {
        m_patchTree.SelectItem(nullptr);
    } else {
        m_originalTree.SelectItem(nullptr);
    }
}

void CVxWsApplicationFilesEPView::OnUpdate(CVXWrkSpaceView*, LPARAM hint, CUpdateHint* hintObject) {
    if (hint == HINT_GENERAL_REFRESH) {
        if (m_patchTreeStale) {
            m_patchTreeStale = false;
            m_patchTree.Refresh();
        }
        return;
    }
    if (hint == HINT_ITEM_CHANGED && !IsActiveWorkspace()) {
        // Changes made through this page are shown already; others wait for the page's return.
        const auto* changed = dynamic_cast<const CItemChangedHint*>(hintObject);
        if (changed && changed->GetTableName() == kPatchFileTable) {
            m_patchTreeStale = true;
        }
    }
}

void CVxWsApplicationFilesEPView::OnExecuteCommand(UINT id, bool* handled) {
    if (id != ID_WORKSPACE_HELP || !IsActiveWorkspace()) {
        return;
    }
    const ComPtr<IHelpService> service = GetHelpService();
    const std::optional<std::u16string_view> topic =
        ApplicationFilesHelpTopic(m_hasSelection, m_lastPatchNodeType);
    if (service && topic) {
        BStr text(*topic);
        ThrowIfFailed(service->ShowTopic(text.Get(), static_cast<QWidget*>(this), 0, 0, 0));
    }
    *handled = true;
}

void CVxWsApplicationFilesEPView::OnQueryCommandStatus(UINT, int32_t*) {}

void CVxWsApplicationFilesEPView::EnsureFonts() {
    if (m_normalFont) {
        return;
    }
    const int dpi = logicalDpiY();
    const PageFontSet fonts = ComputePageFonts(DesktopGuiFont(dpi));
    m_normalFont = MakePageFont(fonts.normal, dpi);
    m_boldFont = MakePageFont(fonts.bold, dpi);
    m_headingFont = MakePageFont(fonts.heading, dpi);
}

const QFont& CVxWsApplicationFilesEPView::GetNormalFont() {
    EnsureFonts();
    return *m_normalFont;
}

const QFont& CVxWsApplicationFilesEPView::GetBoldFont() {
    EnsureFonts();
    return *m_boldFont;
}

const QFont& CVxWsApplicationFilesEPView::GetHeadingFont() {
    EnsureFonts();
    return *m_headingFont;
}

} // namespace vx
