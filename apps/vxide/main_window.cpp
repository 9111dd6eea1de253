#include "apps/vxide/main_window.h"

#include "apps/vxide/error_report.h"
#include "apps/vxide/ide_paths.h"
#include "apps/vxide/project_page.h"
#include "ide/automation/project_factory.h"
#include "ide/framework/message_service.h"
#include "ide/framework/widgets/file_dialog_service.h"
#include "ide/framework/widgets/workspace_site.h"
#include "platform/com/com_exception.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QSettings>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolBar>

using namespace Qt::StringLiterals;

namespace vx::ide {
namespace {

constexpr int kMaxRecentProjects = 8;
const QString kRecentKey = u"RecentProjects"_s;

QStringList RecentProjects() {
    return QSettings().value(kRecentKey).toStringList();
}

const QStringList kProjectFilters = {QObject::tr("Patch projects (*.vxp)"),
                                     QObject::tr("All files (*)")};

} // namespace

// Hears the project say that a write had to restore or recover its file, and has the window
// tell the author once the write is over.
class MainWindow::ProjectFileListener final
    : public ComObject<ProjectFileListener, IProjectEvents2> {
public:
    explicit ProjectFileListener(MainWindow* window) : m_window(window) {}

    HRESULT ChangeEvent(const char16_t* property) override {
        if (m_window && property && std::u16string_view(property) == kProjectFileEvent) {
            QMetaObject::invokeMethod(m_window, &MainWindow::RefreshFromOutside,
                                      Qt::QueuedConnection);
        }
        return S_OK;
    }
    HRESULT OnItemChanged2(const char16_t*, const char16_t*, ItemChange, const char16_t*) override {
        return S_OK;
    }

private:
    QPointer<MainWindow> m_window;
};

MainWindow::MainWindow(std::vector<PageRegistration> registrations, QWidget* parent)
    : QMainWindow(parent), m_registrations(std::move(registrations)) {
    auto* splitter = new QSplitter(this);
    m_pageList = new QListWidget(splitter);
    m_pageList->setAccessibleName(tr("Pages"));
    m_stack = new QStackedWidget(splitter);
    splitter->addWidget(m_pageList);
    splitter->addWidget(m_stack);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({180, 1020});
    setCentralWidget(splitter);

    m_projectPage = new ProjectPage(m_stack);
    m_stack->addWidget(m_projectPage);
    connect(m_projectPage, &ProjectPage::OriginalPackageChanged, this,
            [this] { RecreatePage(tr("Application Files")); });
    connect(m_pageList, &QListWidget::currentRowChanged, this, &MainWindow::ActivatePage);

    BuildMenus();
    BuildFilterBar();
    UpdateTitle();
    resize(1200, 800);
}

MainWindow::~MainWindow() {
    CloseHostedPages();
}

void MainWindow::BuildMenus() {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    QAction* newProject =
        file->addAction(tr("&New Patch Project..."), this, &MainWindow::OnNewProject);
    newProject->setShortcut(QKeySequence::New);
    QAction* open = file->addAction(tr("&Open..."), this, &MainWindow::OnOpenProject);
    open->setShortcut(QKeySequence::Open);
    m_recentMenu = file->addMenu(tr("Open &Recent"));
    connect(m_recentMenu, &QMenu::aboutToShow, this, &MainWindow::FillRecentMenu);
    QAction* close = file->addAction(tr("&Close Project"), this, &MainWindow::CloseProject);
    close->setShortcut(QKeySequence::Close);
    file->addSeparator();
    QAction* quit = file->addAction(tr("&Quit"), this, &QWidget::close);
    quit->setShortcut(QKeySequence::Quit);

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    QAction* pageHelp = help->addAction(tr("Help on This &Page"), this, [this] {
        if (!ShowHelpForActivePage()) {
            statusBar()->showMessage(tr("This page has no help."), 5000);
        }
    });
    pageHelp->setShortcut(QKeySequence::HelpContents);
    help->addAction(tr("&About vxide"), this, [this] {
        statusBar()->showMessage(
            tr("vxide %1: the patch designer's IDE").arg(QApplication::applicationVersion()), 5000);
    });
}

bool MainWindow::OpenProject(const QString& path) {
    ComPtr<IProject> project;
    const HRESULT hr = vx::OpenProject(path.toStdU16String(), ProjectOpenOptions{},
                                       project.ReleaseAndGetAddressOf());
    if (FAILED(hr)) {
        ReportError(tr("The project %1 cannot be opened: %2").arg(path, DescribeFailure(hr)));
        return false;
    }
    CloseProject();
    m_project = project;
    m_projectPath = path;
    m_listener = MakeComObject<ProjectFileListener>(this);
    if (FAILED(m_project->Advise(m_listener.Get(), &m_listenerCookie))) {
        m_listener.Reset();
    }
    m_originalPackage = OriginalPackage();
    m_projectPage->SetProject(m_project.Get());
    CreateHostedPages();
    AddRecentProject(QFileInfo(path).absoluteFilePath());
    UpdateTitle();
    // A patch project opens on its Application Files page, where the work is.
    if (!ActivatePageNamed(tr("Application Files"))) {
        m_pageList->setCurrentRow(0);
    }
    return true;
}

bool MainWindow::NewPatchProject(const QString& projectPath, const QString& originalPackage) {
    ComPtr<IProject> created;
    const HRESULT hr = CreateProject(projectPath.toStdU16String(), kPatchProjectType,
                                     originalPackage.toStdU16String(), ProjectOpenOptions{},
                                     created.ReleaseAndGetAddressOf());
    if (FAILED(hr)) {
        ReportError(
            tr("The project %1 cannot be created: %2").arg(projectPath, DescribeFailure(hr)));
        return false;
    }
    created.Reset();
    return OpenProject(projectPath);
}

void MainWindow::CreateHostedPages() {
    m_pageList->blockSignals(true);
    m_pageList->clear();
    m_pageList->addItem(tr("Project"));
    const ComPtr<CWorkspaceSite> site =
        MakeComObject<CWorkspaceSite>(m_project.Get(), ContentFolder().toStdU16String());
    for (const PageRegistration& registration : m_registrations) {
        HostedPage page{registration, {}, {}};
        HRESULT hr = CreatePageControl(registration, page.control.ReleaseAndGetAddressOf());
        if (SUCCEEDED(hr)) {
            hr = page.control->Initialize(site.Get());
        }
        QWidget* window = nullptr;
        if (SUCCEEDED(hr)) {
            hr = page.control->GetWindow(&window);
        }
        if (FAILED(hr) || !window) {
            const QString reason = DescribeFailure(hr);
            LogLine(tr("The page %1 cannot be opened: %2").arg(registration.name, reason));
            page.control.Reset();
            auto* note = new QLabel(
                tr("The page \"%1\" cannot be opened.\n\n%2").arg(registration.name, reason),
                m_stack);
            note->setAlignment(Qt::AlignCenter);
            note->setWordWrap(true);
            window = note;
        }
        page.window = window;
        m_stack->addWidget(window);
        m_pageList->addItem(registration.name);
        m_pages.push_back(std::move(page));
    }
    m_pageList->blockSignals(false);
}

void MainWindow::CloseHostedPages() {
    if (HostedPage* active = Hosted(m_active); active && active->control) {
        active->control->OnHideWorkspace();
    }
    for (HostedPage& page : m_pages) {
        if (page.control) {
            page.control->OnCloseWorkspace(); // deletes the page's window
            page.control.Reset();
        }
        delete page.window.data();
    }
    m_pages.clear();
    m_active = -1;
}

void MainWindow::CloseProject() {
    CloseHostedPages();
    m_pageList->blockSignals(true);
    m_pageList->clear();
    m_pageList->blockSignals(false);
    m_stack->setCurrentWidget(m_projectPage);
    m_projectPage->SetProject(nullptr);
    if (m_listener) {
        m_project->Unadvise(m_listenerCookie);
        m_listener.Reset();
    }
    m_project.Reset();
    m_projectPath.clear();
    UpdateTitle();
}

void MainWindow::RecreatePage(const QString& name) {
    // A page takes the project's settings up when it is made: the old one goes, a new one comes.
    const int shown = m_active;
    const QString path = m_projectPath;
    if (path.isEmpty()) {
        return;
    }
    OpenProject(path);
    if (shown >= 0 && shown < PageCount() && PageName(shown) != name) {
        ActivatePage(shown);
    }
}

int MainWindow::PageCount() const {
    return m_project ? static_cast<int>(m_pages.size()) + 1 : 0;
}

QString MainWindow::PageName(int index) const {
    QListWidgetItem* item = m_pageList->item(index);
    return item ? item->text() : QString();
}

MainWindow::HostedPage* MainWindow::Hosted(int index) {
    if (index < 1 || index > static_cast<int>(m_pages.size())) {
        return nullptr;
    }
    return &m_pages[static_cast<size_t>(index - 1)];
}

QWidget* MainWindow::PageWindow(int index) const {
    if (index == 0) {
        return m_projectPage;
    }
    if (index < 1 || index > static_cast<int>(m_pages.size())) {
        return nullptr;
    }
    return m_pages[static_cast<size_t>(index - 1)].window.data();
}

void MainWindow::BuildFilterBar() {
    QToolBar* bar = addToolBar(tr("Filter"));
    bar->setObjectName(u"FilterBar"_s);
    bar->setMovable(false);
    m_filter = new QLineEdit(bar);
    m_filter->setObjectName(u"FileFilter"_s);
    m_filter->setPlaceholderText(tr("Filter files (Ctrl+F)"));
    m_filter->setAccessibleName(tr("Filter files"));
    m_filter->setClearButtonEnabled(true);
    m_filter->setMaximumWidth(320);
    bar->addWidget(m_filter);
    auto* focus = new QAction(tr("&Filter Files"), this);
    focus->setShortcut(QKeySequence::Find);
    connect(focus, &QAction::triggered, this, [this] {
        m_filter->setFocus(Qt::ShortcutFocusReason);
        m_filter->selectAll();
    });
    addAction(focus);
    connect(m_filter, &QLineEdit::textChanged, this, [this] { PassFilterToActivePage(); });
}

void MainWindow::PassFilterToActivePage() {
    if (HostedPage* page = Hosted(m_active); page && page->control) {
        page->control->Filter(m_filter->text().toStdU16String().c_str());
    }
}

void MainWindow::ActivatePage(int index) {
    if (index < 0 || index >= PageCount() || index == m_active) {
        return;
    }
    if (HostedPage* previous = Hosted(m_active); previous && previous->control) {
        previous->control->OnHideWorkspace();
    }
    // Between the two: what changed outside reaches every page as hidden, so the page shown
    // next refreshes itself at its general refresh.
    CheckOutsideChanges();
    m_active = index;
    if (m_pageList->currentRow() != index) {
        m_pageList->blockSignals(true);
        m_pageList->setCurrentRow(index);
        m_pageList->blockSignals(false);
    }
    QWidget* window = PageWindow(index);
    m_stack->setCurrentWidget(window);
    if (HostedPage* page = Hosted(index); page && page->control) {
        page->control->OnShowWorkspace();
        page->control->OnUpdateWorkspace(); // hint 0: what changed elsewhere shows now
        PassFilterToActivePage();           // the filter box holds for whichever page is shown
    }
}

void MainWindow::RefreshFromOutside() {
    ComPtr<IProjectOutsideChanges> outside;
    if (!m_project || FAILED(m_project.As(outside)) || outside->HasOutsideChanges() != S_OK) {
        return;
    }
    HostedPage* page = Hosted(m_active);
    if (page && page->control) {
        page->control->OnHideWorkspace();
    }
    CheckOutsideChanges();
    if (page && page->control) {
        page->control->OnShowWorkspace();
        page->control->OnUpdateWorkspace();
    }
}

void MainWindow::CheckOutsideChanges() {
    ComPtr<IProjectOutsideChanges> outside;
    if (!m_project || FAILED(m_project.As(outside))) {
        return;
    }
    ProjectFileCheck result = ProjectFileUnchanged;
    BStr notice;
    const HRESULT hr = outside->CheckForOutsideChanges(&result, notice.Out());
    if (FAILED(hr)) {
        ReportError(tr("The project file could not be checked: %1").arg(DescribeFailure(hr)));
        return;
    }
    if (result == ProjectFileUnchanged) {
        return;
    }
    if (!notice.ToString().empty()) {
        LogLine(QString::fromStdU16String(notice.ToString()));
        AppMessageBox(notice.ToString(), MB_OK | MB_ICONEXCLAMATION);
    }
    // A recovered project may go on in another file.
    BStr path;
    if (SUCCEEDED(m_project->GetFilePath(path.Out()))) {
        m_projectPath = QString::fromStdU16String(path.ToString());
        UpdateTitle();
    }
    m_projectPage->SetProject(m_project.Get());
    if (OriginalPackage() != m_originalPackage) {
        // The pages take the package up when they are made; not while one is being shown.
        QMetaObject::invokeMethod(
            this, [this] { RecreatePage(tr("Application Files")); }, Qt::QueuedConnection);
    }
}

QString MainWindow::OriginalPackage() const {
    ComPtr<IKestromProject> link;
    ComPtr<IPatchProject> patchProject;
    BStr original;
    if (m_project && SUCCEEDED(m_project.As(link)) &&
        SUCCEEDED(link->GetPatchProject(patchProject.ReleaseAndGetAddressOf()))) {
        patchProject->GetOriginalPackage(original.Out());
    }
    return QString::fromStdU16String(original.ToString());
}

bool MainWindow::ActivatePageNamed(const QString& name) {
    for (int i = 0; i < PageCount(); ++i) {
        if (PageName(i) == name) {
            ActivatePage(i);
            return true;
        }
    }
    return false;
}

bool MainWindow::ShowHelpForActivePage() {
    HostedPage* page = Hosted(m_active);
    if (!page || !page->control) {
        return false;
    }
    ComPtr<ICommandTarget> target;
    if (FAILED(page->control->QueryInterface(ICommandTarget::kIid,
                                             target.ReleaseAndGetVoidAddress()))) {
        return false;
    }
    bool handled = false;
    try {
        ThrowIfFailed(target->ExecuteCommand(ID_WORKSPACE_HELP, &handled));
    } catch (const CException& failure) {
        char16_t text[512] = {};
        failure.GetErrorMessage(text, 512, nullptr);
        ReportError(tr("Help cannot be shown: %1").arg(QString::fromUtf16(text)));
        return true;
    }
    return handled;
}

void MainWindow::OnNewProject() {
    FileDialogRequest original;
    original.title = tr("New Patch Project: the Original Setup Package");
    original.nameFilters = {tr("Windows Installer packages (*.msi)"), tr("All files (*)")};
    original.mustExist = true;
    original.owner = this;
    const QStringList package = CurrentFileDialogService().Show(original);
    if (package.isEmpty()) {
        return;
    }
    FileDialogRequest save;
    save.open = false;
    save.title = tr("New Patch Project");
    save.nameFilters = kProjectFilters;
    save.defaultSuffix = u"vxp"_s;
    save.overwritePrompt = true;
    save.folder = QFileInfo(package.front()).absolutePath();
    save.fileName = QFileInfo(package.front()).completeBaseName() + u"-patch.vxp"_s;
    save.owner = this;
    const QStringList project = CurrentFileDialogService().Show(save);
    if (project.isEmpty()) {
        return;
    }
    if (QFileInfo::exists(project.front()) && !QFile::remove(project.front())) {
        ReportError(tr("%1 cannot be replaced.").arg(project.front()));
        return;
    }
    NewPatchProject(project.front(), package.front());
}

void MainWindow::OnOpenProject() {
    FileDialogRequest request;
    request.title = tr("Open Project");
    request.nameFilters = kProjectFilters;
    request.mustExist = true;
    request.owner = this;
    const QStringList chosen = CurrentFileDialogService().Show(request);
    if (!chosen.isEmpty()) {
        OpenProject(chosen.front());
    }
}

void MainWindow::AddRecentProject(const QString& path) {
    QStringList recent = RecentProjects();
    recent.removeAll(path);
    recent.prepend(path);
    while (recent.size() > kMaxRecentProjects) {
        recent.removeLast();
    }
    QSettings().setValue(kRecentKey, recent);
}

void MainWindow::FillRecentMenu() {
    m_recentMenu->clear();
    const QStringList recent = RecentProjects();
    if (recent.isEmpty()) {
        m_recentMenu->addAction(tr("(none)"))->setEnabled(false);
        return;
    }
    int number = 1;
    for (const QString& path : recent) {
        QAction* action =
            m_recentMenu->addAction(u"&%1 %2"_s.arg(number++).arg(QFileInfo(path).fileName()), this,
                                    [this, path] { OpenProject(path); });
        action->setToolTip(path);
        action->setStatusTip(path);
    }
}

void MainWindow::UpdateTitle() {
    setWindowTitle(m_projectPath.isEmpty()
                       ? tr("vxide")
                       : tr("%1 - vxide").arg(QFileInfo(m_projectPath).fileName()));
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        // After the activation is over: a message box must not open inside it.
        QMetaObject::invokeMethod(this, &MainWindow::RefreshFromOutside, Qt::QueuedConnection);
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    for (HostedPage& page : m_pages) {
        ComPtr<ICommandTarget> target;
        bool canEnd = true;
        if (page.control && SUCCEEDED(page.control->QueryInterface(
                                ICommandTarget::kIid, target.ReleaseAndGetVoidAddress()))) {
            target->QueryEndSession(&canEnd);
        }
        if (!canEnd) {
            event->ignore();
            return;
        }
    }
    CloseProject();
    event->accept();
}

} // namespace vx::ide
