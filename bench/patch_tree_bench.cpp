// The Files To Patch tree of a page on the generated 50,000-file package, in this process:
// a drop of 5,000 files (from the drop event to the last node shown and the batch committed),
// and Refresh of a list of 5,000 entries. (The Select File dialog has its own in page_bench.)
//
// The dropped keys are the first 5,000 of the package's File table: as many files as a folder of
// 5,000 carries, each added with the same tests of the original package.

#include "VxWsApplicationFilesEP/original/drag_drop_app_file.h"
#include "VxWsApplicationFilesEP/patchlist/patch_file_adder.h"
#include "VxWsApplicationFilesEP/patchlist/ui/patch_files_tree.h"
#include "VxWsApplicationFilesEP/shell/application_files_app.h"
#include "VxWsApplicationFilesEP/shell/application_files_ctrl.h"
#include "ide/automation/project_batch.h"
#include "ide/automation/project_factory.h"
#include "ide/framework/widgets/drag_mime.h"
#include "ide/framework/widgets/workspace_interfaces.h"
#include "ide/framework/widgets/workspace_site.h"
#include "platform/com/com_exception.h"
#include "platform/msi/msi_api.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>
#include <vector>

namespace {

using namespace vx;

constexpr size_t kDroppedFiles = 5000;

std::u16string Package() {
    return QDir(VX_FIXTURE_DIR).filePath("big50k.msi").toStdU16String();
}

std::vector<std::u16string> FirstFileKeys(size_t count) {
    std::vector<std::u16string> keys;
    MSIHANDLE db = 0;
    MSIHANDLE view = 0;
    MSIHANDLE row = 0;
    MsiOpenDatabaseW(Package().c_str(), MSIDBOPEN_READONLY, &db);
    MsiDatabaseOpenViewW(db, u"SELECT `File` FROM `File`", &view);
    MsiViewExecute(view, 0);
    while (keys.size() < count && MsiViewFetch(view, &row) == ERROR_SUCCESS) {
        char16_t text[80] = {};
        MsiDWORD size = 80;
        MsiRecordGetStringW(row, 1, text, &size);
        keys.emplace_back(text, size);
        MsiCloseHandle(row);
    }
    MsiCloseHandle(view);
    MsiCloseHandle(db);
    return keys;
}

// A new project on the package with `entries` patched files, and the page on it.
class OpenPage {
public:
    explicit OpenPage(const std::vector<std::u16string>& entries = {}) {
        const std::u16string path = QDir(m_temp.path()).filePath("bench.vxp").toStdU16String();
        ThrowIfFailed(CreateProject(path, kPatchProjectType, Package(), {},
                                    m_project.ReleaseAndGetAddressOf()));
        if (!entries.empty()) {
            ComPtr<IKestromProject> link;
            ThrowIfFailed(m_project.As(link));
            ComPtr<IPatchProject> patch;
            ThrowIfFailed(link->GetPatchProject(patch.ReleaseAndGetAddressOf()));
            CProjectBatch batch(patch.Get());
            for (const std::u16string& key : entries) {
                ComPtr<IUnknown> item;
                ThrowIfFailed(patch->CreateItem(kPatchFileItemKind, key.c_str(), u"",
                                                item.ReleaseAndGetAddressOf()));
            }
            batch.Commit();
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
        tree = window->findChild<CPatchFilesTree*>();
        if (!tree) {
            throw std::runtime_error("the page has no Files To Patch tree");
        }
        QApplication::processEvents();
    }
    ~OpenPage() { m_page->OnCloseWorkspace(); }

    CPatchFilesTree* tree = nullptr;

private:
    QTemporaryDir m_temp;
    ComPtr<IProject> m_project;
    ComPtr<IWorkspace2> m_page;
    QWidget m_host;
};

void DropFiles(benchmark::State& state) {
    const std::vector<std::u16string> keys = FirstFileKeys(kDroppedFiles);
    CDragDropAppFile record;
    for (const std::u16string& key : keys) {
        record.AddKey(key);
    }
    const std::unique_ptr<QMimeData> mime = SaveDragRecord(record);
    for (auto _ : state) {
        state.PauseTiming();
        auto page = std::make_unique<OpenPage>();
        QRect root;
        page->tree->GetItemRect(page->tree->GetRootItem(), &root, true);
        QWidget* viewport = page->tree->viewport();
        QDragEnterEvent enter(root.center(), Qt::CopyAction, mime.get(), Qt::LeftButton, {});
        QCoreApplication::sendEvent(viewport, &enter);
        QDragMoveEvent move(root.center(), Qt::CopyAction, mime.get(), Qt::LeftButton, {});
        QCoreApplication::sendEvent(viewport, &move);
        state.ResumeTiming();
        QDropEvent drop(root.center(), Qt::CopyAction, mime.get(), Qt::LeftButton, {});
        QCoreApplication::sendEvent(viewport, &drop);
        viewport->repaint();
        state.PauseTiming();
        if (page->tree->GetCount() != keys.size() + 1) {
            state.SkipWithError("the drop did not add every file");
        }
        page.reset();
        state.ResumeTiming();
    }
    state.counters["files"] = static_cast<double>(keys.size());
}

void RefreshEntries(benchmark::State& state) {
    OpenPage page(FirstFileKeys(kDroppedFiles));
    for (auto _ : state) {
        page.tree->Refresh();
        page.tree->viewport()->repaint();
    }
    state.counters["entries"] = static_cast<double>(page.tree->GetCount() - 1);
}

} // namespace

BENCHMARK(DropFiles)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(RefreshEntries)->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    CDragDropAppFile::RegisterClass();
    CVxWsApplicationFilesEPApp::Instance().InitInstance();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
