#pragma once
// vxide's main window: one open patch project at a time, its pages listed on the left (the
// IDE's own Project page, then the registered pages such as Application Files), the active page
// on the right. Pages are told when they are shown, hidden, refreshed (hint 0 when they become
// active) and closed with the project; F1 goes to the active page's document as the help command.
//
// The project file may change under the IDE (vxpatch, another vxide, a version-control
// checkout). Between hiding one page and showing another, and when the window becomes active,
// the window asks the project whether its file changed outside; when it did, the shown page is
// hidden, the project announces the change (so hidden pages mark themselves stale) and the page
// is shown and refreshed again. A file the project had to restore or recover is told to the
// author in a message box.

#include "apps/vxide/page_registry.h"
#include "ide/automation/project_interfaces.h"

#include <QMainWindow>
#include <QPointer>

#include <vector>

class QLineEdit;
class QListWidget;
class QMenu;
class QStackedWidget;

namespace vx::ide {

class ProjectPage;

class MainWindow final : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(std::vector<PageRegistration> registrations, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Opens the project at `path`, closing the one open. Failures are reported to the author;
    // the answer says whether the project is open.
    bool OpenProject(const QString& path);
    // Creates a patch project at `projectPath` for `originalPackage` and opens it.
    bool NewPatchProject(const QString& projectPath, const QString& originalPackage);
    void CloseProject();

    int PageCount() const;
    QString PageName(int index) const;
    int ActivePage() const { return m_active; }
    // Shows page `index`; the page shown before is hidden.
    void ActivatePage(int index);
    bool ActivatePageNamed(const QString& name);
    // The window of page `index` (the Project page's, or a hosted page's frame).
    QWidget* PageWindow(int index) const;
    // The help command to the active page; false when the page did not take it.
    bool ShowHelpForActivePage();

    // Refreshes the shown page when the project file changed outside; otherwise does nothing.
    // The window calls it itself when it becomes active.
    void RefreshFromOutside();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct HostedPage {
        PageRegistration registration;
        ComPtr<IWorkspace2> control;
        QPointer<QWidget> window;
    };

    class ProjectFileListener;

    void BuildMenus();
    // The filter box (Ctrl+F): its text goes to the active page as it is typed.
    void BuildFilterBar();
    void PassFilterToActivePage();
    // Brings the project in line with its file (announcing what changed) and tells the author
    // what had to be done to the file.
    void CheckOutsideChanges();
    QString OriginalPackage() const;
    void CreateHostedPages();
    void CloseHostedPages();
    void RecreatePage(const QString& name);
    void OnNewProject();
    void OnOpenProject();
    void AddRecentProject(const QString& path);
    void FillRecentMenu();
    void UpdateTitle();
    HostedPage* Hosted(int index);

    std::vector<PageRegistration> m_registrations;
    std::vector<HostedPage> m_pages; // page i + 1 of the list
    ComPtr<IProject> m_project;
    ComPtr<ProjectFileListener> m_listener;
    DWORD m_listenerCookie = 0;
    QString m_projectPath;
    // The original package the pages were made for; a change made outside makes them anew.
    QString m_originalPackage;
    int m_active = -1;
    QListWidget* m_pageList = nullptr;
    QLineEdit* m_filter = nullptr;
    QStackedWidget* m_stack = nullptr;
    ProjectPage* m_projectPage = nullptr;
    QMenu* m_recentMenu = nullptr;
};

} // namespace vx::ide
