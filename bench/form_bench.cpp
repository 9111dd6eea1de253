// The right pane's forms as the author meets them: a selection in the Files To Patch tree brings
// its entry's form, filled. The page runs in this process on the offscreen platform; each step
// selects the other of two entries, so every step fills the form once from the project and the
// package (which is opened and closed again for each showing).
//
//   ShowModifiedFile  an updated file of the 50,000-file package (big50k)
//   ShowNewFile       a new file of a package with 500 features and 3,000 folders (features500):
//                     the sorted destination list, the resolved folder and the feature tree

#include "VxWsApplicationFilesEP/forms/register_forms.h"
#include "VxWsApplicationFilesEP/shell/application_files_app.h"
#include "VxWsApplicationFilesEP/shell/application_files_ctrl.h"
#include "ide/automation/project_factory.h"
#include "ide/framework/widgets/workspace_interfaces.h"
#include "ide/framework/widgets/workspace_site.h"
#include "platform/com/com_exception.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTreeView>
#include <QVBoxLayout>

#include <benchmark/benchmark.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace vx;

constexpr UINT kPatchTreeId = 59664;

struct Entry {
    std::u16string key;
    int32_t type;
    std::u16string newFile;
    std::u16string destination;
    std::u16string feature;
};

// A patch project over `package` with `entries`, and the page on it in a 900 by 600 window.
class FormPage {
public:
    FormPage(const char* package, const std::vector<Entry>& entries) {
        const std::u16string original =
            QDir(VX_FIXTURE_DIR).filePath(QString(package) + ".msi").toStdU16String();
        const std::u16string path = QDir(m_temp.path()).filePath("bench.vxp").toStdU16String();
        ThrowIfFailed(CreateProject(path, kPatchProjectType, original, {},
                                    m_project.ReleaseAndGetAddressOf()));
        ComPtr<IKestromProject> link;
        ThrowIfFailed(m_project.As(link));
        ComPtr<IPatchProject> patch;
        ThrowIfFailed(link->GetPatchProject(patch.ReleaseAndGetAddressOf()));
        for (const Entry& row : entries) {
            ComPtr<IUnknown> item;
            ThrowIfFailed(patch->CreateItem(kPatchFileItemKind, row.key.c_str(), u"",
                                            item.ReleaseAndGetAddressOf()));
            ComPtr<IPatchFile> entry;
            ThrowIfFailed(item.As(entry));
            ThrowIfFailed(entry->PutType(row.type));
            ThrowIfFailed(entry->PutNewFilePath(row.newFile.c_str()));
            ThrowIfFailed(entry->PutDestinationDir(row.destination.c_str()));
            ThrowIfFailed(entry->PutFeature(row.feature.c_str()));
        }
        ThrowIfFailed(CVxWsApplicationFilesEPCtrl::ClassFactory()->CreateInstance(
            nullptr, IWorkspace2::kIid, m_page.ReleaseAndGetVoidAddress()));
        ThrowIfFailed(m_page->Initialize(
            MakeComObject<CWorkspaceSite>(m_project.Get(), m_temp.path().toStdU16String()).Get()));
        QWidget* window = nullptr;
        ThrowIfFailed(m_page->GetWindow(&window));
        auto* layout = new QVBoxLayout(&m_host);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(window);
        m_host.resize(900, 600);
        m_host.show();
        ThrowIfFailed(m_page->OnShowWorkspace());
        m_patchTree = window->findChild<QTreeView*>(QStringLiteral("id_%1").arg(kPatchTreeId));
        if (!m_patchTree) {
            throw std::runtime_error("the page has no Files To Patch tree");
        }
        QApplication::processEvents();
    }
    ~FormPage() { m_page->OnCloseWorkspace(); }
    FormPage(const FormPage&) = delete;
    FormPage& operator=(const FormPage&) = delete;

    // Selects the entry node at `row` under the root: the view fills and shows its form.
    void Select(int row) {
        const QModelIndex root = m_patchTree->model()->index(0, 0);
        m_patchTree->setCurrentIndex(m_patchTree->model()->index(row, 0, root));
    }

private:
    QTemporaryDir m_temp;
    ComPtr<IProject> m_project;
    ComPtr<IWorkspace2> m_page;
    QWidget m_host;
    QTreeView* m_patchTree = nullptr;
};

void Alternate(benchmark::State& state, FormPage& page) {
    page.Select(0); // the form comes forward once, outside the measure
    int row = 1;
    for (auto _ : state) {
        page.Select(row);
        row = 1 - row;
    }
}

void ShowModifiedFile(benchmark::State& state) {
    FormPage page("big50k", {{u"F00017", kPatchTypeUpdate, u"", u"", u""},
                             {u"F49999", kPatchTypeDelete, u"", u"", u""}});
    Alternate(state, page);
}

void ShowNewFile(benchmark::State& state) {
    FormPage page("features500",
                  {{u"new1.dll", kPatchTypeNewFile, u"/srv/new/new1.dll", u"D02999",
                    u"Feature499;Feature3"},
                   {u"new2.dll", kPatchTypeNewFile, u"/srv/new/new2.dll", u"INSTALLDIR",
                    u"Feature0"}});
    Alternate(state, page);
}

BENCHMARK(ShowModifiedFile)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(ShowNewFile)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    CVxWsApplicationFilesEPApp::Instance().InitInstance();
    RegisterAttributeForms();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    CVxWsApplicationFilesEPApp::Instance().ExitInstance();
    return 0;
}
