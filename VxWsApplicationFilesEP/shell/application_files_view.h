#pragma once
// The Application Files page: the Original Setup Files tree above the Files To Patch tree on the
// left, and on the right the contents page or the form of the item selected in either tree.
// The view lays the page out, routes selections to the forms, refreshes the Files To Patch tree
// after changes made elsewhere, and shows context help.

#include "VxWsApplicationFilesEP/original/ui/original_setup_files_tree.h"
#include "VxWsApplicationFilesEP/patchlist/ui/patch_files_tree.h"
#include "VxWsApplicationFilesEP/shell/page_form.h"
#include "ide/automation/project_interfaces.h"
#include "ide/framework/widgets/splitter_wnd.h"
#include "ide/framework/widgets/workspace_manager.h"
#include "ide/framework/widgets/wrkspace_view.h"

#include <QFont>

#include <memory>
#include <optional>
#include <string_view>

namespace vx {

class CVxWsApplicationFilesEPDoc;

// Where the view reports what it catches.
inline constexpr char16_t kApplicationFilesViewUnit[] =
    u"FrontEnd\\Views\\Kestrom\\VxWsApplicationFilesEP\\VxWsApplicationFilesEPView";
inline constexpr int kInitialUpdateReportLine = 156;
inline constexpr int kSelectionReportLine = 322;

inline constexpr char16_t kContentsPageName[] = u"IKMOriginalFilesContents";
inline constexpr char16_t kContentsPageExtension[] = u".htm";

// The help topic for the page's selection state: with nothing selected the page's own topic,
// otherwise the topic of the kind of the last Files To Patch node selected; none for a node
// type without a topic.
std::optional<std::u16string_view> ApplicationFilesHelpTopic(bool hasSelection,
                                                            int32_t lastPatchNodeType);

class CVxWsApplicationFilesEPView final : public CVXWrkSpaceView {
    Q_OBJECT

public:
    CVxWsApplicationFilesEPView();
    ~CVxWsApplicationFilesEPView() override;

    CVxWsApplicationFilesEPDoc* GetDocument() const;

    void OnUpdate(CVXWrkSpaceView* sender, LPARAM hint, CUpdateHint* hintObject) override;
    // Both trees show only the files whose names contain `text`, with their folders.
    void OnFilter(const QString& text) override;
    // The host's commands, from the document: help (ID_WORKSPACE_HELP) while the page is the
    // shown one. Failures of the help service raise.
    void OnExecuteCommand(UINT id, bool* handled);
    void OnQueryCommandStatus(UINT id, int32_t* status);

    // The page's fonts, made on first use.
    const QFont& GetNormalFont();
    const QFont& GetBoldFont();
    const QFont& GetHeadingFont();

    CPatchFilesTree& PatchTree() { return m_patchTree; }
    COriginalSetupFilesTree& OriginalTree() { return m_originalTree; }
    CVXSplitterWnd& OuterSplitter() { return m_outerSplitter; }
    CVXSplitterWnd& InnerSplitter() { return m_innerSplitter; }
    CWorkspaceManager& PageHost() { return m_pageHost; }
    IKestromProject* GetKestromProject() const { return m_kestromProject.Get(); }
    IProjectRoot* GetProjectRootInterface() const { return m_projectRoot.Get(); }

protected:
    void OnInitialUpdate() override;
    void OnSize(int cx, int cy) override;

private:
    void BuildPage();
    void OnTreeSelChanged(CVXTreeCtrl* tree, HTREEITEM oldItem, HTREEITEM newItem);
    void RouteSelection(CVXTreeCtrl* tree, HTREEITEM newItem);
    void OnTreeKillFocus(CVXTreeCtrl* tree);
    bool IsPatchTree(const CVXTreeCtrl* tree) const;
    // Loads `key` into `form` and brings it into the right pane; the contents page instead
    // when the slot has no form.
    void ShowForm(IPageForm* form, const std::u16string& key);
    void ShowContentsPage();
    void EnsureFonts();

    CPatchFilesTree m_patchTree;
    ComPtr<IKestromProject> m_kestromProject;
    ComPtr<IProjectRoot> m_projectRoot;
    CVXSplitterWnd m_outerSplitter;
    CVXSplitterWnd m_innerSplitter;
    CWorkspaceManager m_pageHost;
    COriginalSetupFilesTree m_originalTree;
    std::unique_ptr<IPageForm> m_modifiedFileForm;
    std::unique_ptr<IPageForm> m_newFileForm;
    std::unique_ptr<IPageForm> m_originalFileForm;
    bool m_layoutArmed = false;
    bool m_firstLayoutPending = false;
    bool m_patchTreeStale = false;
    int32_t m_lastPatchNodeType = kPatchNodeRoot;
    bool m_hasSelection = false;
    std::optional<QFont> m_normalFont;
    std::optional<QFont> m_boldFont;
    std::optional<QFont> m_headingFont;
};

} // namespace vx
