#pragma once
// vxide's main window: one open patch project at a time, its pages listed on the left (the
// IDE's own Project page, then the registered pages such as Application Files), the active page
// on the right. Pages are told when they are shown, hidden, refreshed (hint 0 when they become
// active) and closed with the project; F1 goes to the active page's document as the help command.

#include "apps/vxide/page_registry.h"
#include "ide/automation/project_interfaces.h"

#include <QMainWindow>
#include <QPointer>

#include <vector>

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

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct HostedPage {
        PageRegistration registration;
        ComPtr<IWorkspace2> control;
        QPointer<QWidget> window;
    };

    void BuildMenus();
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
    QString m_projectPath;
    int m_active = -1;
    QListWidget* m_pageList = nullptr;
    QStackedWidget* m_stack = nullptr;
    ProjectPage* m_projectPage = nullptr;
    QMenu* m_recentMenu = nullptr;
};

} // namespace vx::ide
