// Hosting a page: the control's life as the host drives it (initialise, embed, show, hide,
// refresh, close), project changes turned into hint 2, commands reaching the document, the
// page host showing HTML files.

#include "ide/framework/widgets/workspace_manager.h"
#include "ide/framework/widgets/wrkspace_ctrl.h"
#include "ide/framework/widgets/wrkspace_doc.h"
#include "ide/framework/widgets/wrkspace_frame.h"
#include "ide/framework/widgets/wrkspace_view.h"

#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

using namespace vx;

namespace {

class FakeProject final : public ComObject<FakeProject, IProject> {
public:
    IProjectEvents2* sink = nullptr;
    HRESULT GetFilePath(BSTR*) override { return E_NOTIMPL; }
    HRESULT GetProjectType(BSTR*) override { return E_NOTIMPL; }
    HRESULT GetSchemaVersion(int32_t*) override { return E_NOTIMPL; }
    HRESULT GetProjectRoot(IProjectRoot**) override { return E_NOTIMPL; }
    HRESULT PutPathVariable(const char16_t*, const char16_t*) override { return E_NOTIMPL; }
    HRESULT GetPathVariableNames(BSTR*) override { return E_NOTIMPL; }
    HRESULT Advise(IProjectEvents2* events, DWORD* cookie) override {
        sink = events;
        sink->AddRef();
        *cookie = 7;
        return S_OK;
    }
    HRESULT Unadvise(DWORD cookie) override {
        if (cookie != 7 || !sink) {
            return E_INVALIDARG;
        }
        std::exchange(sink, nullptr)->Release();
        return S_OK;
    }
};

class FakeSite final : public ComObject<FakeSite, IWorkspaceSite> {
public:
    explicit FakeSite(IProject* p) : project(p) {}
    ComPtr<IProject> project;
    HRESULT GetProject(IProject** out) override {
        *out = project.Get();
        project->AddRef();
        return S_OK;
    }
    HRESULT GetProgramFolder(BSTR* folder) override {
        *folder = BStr(u"/opt/vx/pages").Detach();
        return S_OK;
    }
};

class TestDoc final : public CVXWrkSpaceDoc {
public:
    HRESULT OnExecuteCommand(UINT id, bool* handled) override {
        *handled = id == ID_WORKSPACE_HELP;
        return S_OK;
    }
};

class TestView final : public CVXWrkSpaceView {
public:
    int initialUpdates = 0;
    QSize sizeAtInitialUpdate;
    std::vector<std::pair<LPARAM, std::u16string>> updates; // hint, changed table

    void OnUpdate(CVXWrkSpaceView*, LPARAM hint, CUpdateHint* object) override {
        const auto* changed = dynamic_cast<CItemChangedHint*>(object);
        updates.emplace_back(hint, changed ? changed->GetTableName() : u"");
    }

protected:
    void OnInitialUpdate() override {
        ++initialUpdates;
        sizeAtInitialUpdate = size();
        CVXWrkSpaceView::OnInitialUpdate();
    }
};

const CVXWrkSpaceDocTemplate g_template =
    CVXWrkSpaceDocTemplate::Of<TestDoc, CVXWrkSpaceFrame, TestView>(203);

} // namespace

class WorkspaceTest : public QObject {
    Q_OBJECT

private slots:
    void hostedLifecycle() {
        ComPtr<FakeProject> project = MakeComObject<FakeProject>();
        ComPtr<CVXWrkSpaceCtrl> made = MakeComObject<CVXWrkSpaceCtrl>(g_template);
        ComPtr<IUnknown> control(static_cast<IWorkspace2*>(made.Get()));
        made.Reset();
        ComPtr<IWorkspace> page;
        ComPtr<IWorkspace2> page2;
        ComPtr<ICommandTarget> commands;
        QCOMPARE(control.As(page), S_OK);
        QCOMPARE(control.As(page2), S_OK);
        QCOMPARE(control.As(commands), S_OK);
        auto* ctrl = static_cast<CVXWrkSpaceCtrl*>(page.Get());

        QCOMPARE(page->Initialize(MakeComObject<FakeSite>(project.Get()).Get()), S_OK);
        QVERIFY(project->sink);
        QWidget* window = nullptr;
        page->GetWindow(&window);
        QVERIFY(window && !window->isVisible());
        QWidget host;
        (new QVBoxLayout(&host))->addWidget(window);
        host.resize(900, 600);
        host.show();

        auto* view = static_cast<TestView*>(ctrl->GetView());
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(page->OnShowWorkspace(), S_OK);
            QVERIFY(ctrl->IsActiveWorkspace() && view->isVisible());
            QCOMPARE(page->OnHideWorkspace(), S_OK);
            QVERIFY(!ctrl->IsActiveWorkspace() && !view->isVisible());
        }
        QCOMPARE(view->initialUpdates, 1);
        // The first sizing sees the size the host gives the page, not a default.
        QVERIFY(view->width() > 800);
        QCOMPARE(view->sizeAtInitialUpdate, view->size());

        view->updates.clear();
        page->OnUpdateWorkspace();
        project->sink->OnItemChanged2(u"VXKestromFile", u"File1", ItemAdded, u"");
        using Updates = std::vector<std::pair<LPARAM, std::u16string>>;
        QVERIFY(view->updates ==
                (Updates{{HINT_GENERAL_REFRESH, u""}, {HINT_ITEM_CHANGED, u"VXKestromFile"}}));

        bool handled = false;
        commands->ExecuteCommand(ID_WORKSPACE_HELP, &handled);
        QVERIFY(handled);
        commands->ExecuteCommand(1, &handled);
        QVERIFY(!handled);
        QCOMPARE(ctrl->GetDocument()->GetFullProgramFilename(u"IKMOriginalFilesContents", u".htm"),
                 std::u16string(u"/opt/vx/pages/IKMOriginalFilesContents.htm"));
        ComPtr<IProjectRoot> root;
        QCOMPARE(ctrl->GetDocument()->GetProjectRoot(root.ReleaseAndGetAddressOf()), E_NOTIMPL);

        QPointer<QWidget> embedded(window);
        QCOMPARE(page->OnCloseWorkspace(), S_OK);
        QVERIFY(!project->sink);
        QVERIFY(!embedded);
        page->GetWindow(&window);
        QCOMPARE(window, nullptr);
        commands->ExecuteCommand(ID_WORKSPACE_HELP, &handled);
        QVERIFY(!handled);
        page.Reset();
        page2.Reset();
        commands.Reset();
        control.Reset();
        project->AddRef();
        QCOMPARE(project->Release(), 1u); // nothing else holds the project
    }

    // A document without a project answers a failure the caller can raise.
    void documentWithoutProject() {
        CVXWrkSpaceDoc document;
        ComPtr<IProject> project;
        QCOMPARE(document.GetProject(project.ReleaseAndGetAddressOf()), E_UNEXPECTED);
        QCOMPARE(document.GetFullProgramFilename(u"page", u".htm"), std::u16string(u"page.htm"));
    }

    void pageHost() {
        QTemporaryDir folder;
        const QString page = folder.filePath("IKMOriginalFilesContents.htm");
        QFile file(page);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<html><body><h1>Application Files</h1></body></html>");
        file.close();
        CWorkspaceManager host;
        QVERIFY(host.ShowWorkspace(page));
        QVERIFY(host.toPlainText().contains("Application Files"));
        QVERIFY(!host.ShowWorkspace(folder.filePath("missing.htm")));
        QVERIFY(host.toPlainText().contains("missing.htm"));
        QCOMPARE(host.CurrentWorkspace(), folder.filePath("missing.htm"));
    }
};

QTEST_MAIN(WorkspaceTest)
#include "workspace_test.moc"
