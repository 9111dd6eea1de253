// The Application Files page made from the built module, as the IDE makes it, on generated
// packages: from creating the control to the first paint of the Original Setup Files tree
// (with the process's resident memory once the page is open), and expanding one folder of
// thousands of files, including the paint that follows. Also the Select File dialog on the
// 50,000-file package, from its construction to the first paint of its list, with the
// component column and with the destination column.

#include "VxWsApplicationFilesEP/original/original_files_fill.h"
#include "VxWsApplicationFilesEP/patchlist/ui/dlg_original_setup_files.h"
#include "VxWsApplicationFilesEP/shell/identities.h"
#include "ide/automation/project_factory.h"
#include "ide/framework/service_object_loader.h"
#include "ide/framework/widgets/workspace_interfaces.h"
#include "ide/framework/widgets/workspace_site.h"
#include "platform/com/com_exception.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {

using namespace vx;

const char* const kPackages[] = {"big5k", "big50k", "wide5k", "wide10k"};
constexpr vx::UINT kOriginalTreeId = 59648;

double ResidentMiB() {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
        }
    }
    return 0;
}

// Notes the first paint of a widget.
class PaintWatch final : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override {
        painted = painted || event->type() == QEvent::Paint;
        return false;
    }
};

// A patch project over one package, and the page on it in a 900 by 600 window.
class OpenPage {
public:
    explicit OpenPage(const char* package) {
        const std::u16string original =
            QDir(VX_FIXTURE_DIR).filePath(QString(package) + ".msi").toStdU16String();
        const std::u16string path = QDir(m_temp.path()).filePath("bench.vxp").toStdU16String();
        ThrowIfFailed(CreateProject(path, kPatchProjectType, original, {},
                                    m_project.ReleaseAndGetAddressOf()));
        ThrowIfFailed(CServiceObjectLoader::Instance().GetClassObject(
            u"" VX_PAGE_MODULE, CLSID_VxWsApplicationFilesEP, m_factory.ReleaseAndGetAddressOf()));
        m_layout = new QVBoxLayout(&m_host);
        m_layout->setContentsMargins(0, 0, 0, 0);
        m_host.resize(900, 600);
    }
    ~OpenPage() { Close(); }

    // Creates, embeds and shows the page, and waits for the tree's first paint.
    void Open() {
        ThrowIfFailed(m_factory->CreateInstance(nullptr, IWorkspace2::kIid,
                                                m_page.ReleaseAndGetVoidAddress()));
        ThrowIfFailed(m_page->Initialize(
            MakeComObject<CWorkspaceSite>(m_project.Get(), m_temp.path().toStdU16String()).Get()));
        QWidget* window = nullptr;
        ThrowIfFailed(m_page->GetWindow(&window));
        m_layout->addWidget(window);
        m_host.show();
        ThrowIfFailed(m_page->OnShowWorkspace());
        tree = window->findChild<QTreeView*>(QStringLiteral("id_%1").arg(kOriginalTreeId));
        if (!tree) {
            throw std::runtime_error("the page has no Original Setup Files tree");
        }
        PaintWatch watch;
        tree->viewport()->installEventFilter(&watch);
        QElapsedTimer waited;
        waited.start();
        while (!watch.painted && waited.elapsed() < 10000) {
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        tree->viewport()->removeEventFilter(&watch);
    }

    void Close() {
        if (m_page) {
            m_page->OnCloseWorkspace();
            m_page.Reset();
        }
        tree = nullptr;
    }

    QTreeView* tree = nullptr;
    IWorkspace2* Page() const { return m_page.Get(); }

private:
    QTemporaryDir m_temp;
    ComPtr<IProject> m_project;
    ComPtr<IClassFactory> m_factory;
    ComPtr<IWorkspace2> m_page;
    QWidget m_host;
    QVBoxLayout* m_layout;
};

// The folder with the most children below `parent`.
QModelIndex WidestFolder(const QAbstractItemModel* model, const QModelIndex& parent) {
    QModelIndex widest;
    int most = -1;
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex child = model->index(row, 0, parent);
        if (model->rowCount(child) > most) {
            most = model->rowCount(child);
            widest = child;
        }
        const QModelIndex below = WidestFolder(model, child);
        if (below.isValid() && model->rowCount(below) > most) {
            most = model->rowCount(below);
            widest = below;
        }
    }
    return widest;
}

// The resident figures and first_ms are those of the first page opened in the process: later
// pages reuse what the first one's fill took from the system and freed again. Run one
// package per process (--benchmark_filter) for figures of that package alone.
void PageFirstPaint(benchmark::State& state) {
    const char* package = kPackages[state.range(0)];
    double before = 0;
    double open = 0;
    double first = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto page = std::make_unique<OpenPage>(package);
        if (open == 0) {
            before = ResidentMiB();
        }
        QElapsedTimer timer;
        timer.start();
        state.ResumeTiming();
        page->Open();
        state.PauseTiming();
        if (open == 0) {
            open = ResidentMiB();
            first = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        }
        page.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.SetLabel(package);
    state.counters["before_MiB"] = before;
    state.counters["open_MiB"] = open;
    state.counters["first_ms"] = first;
}

// The fill of the tree's data alone, for comparison in the same run.
void FillAlone(benchmark::State& state) {
    const char* package = kPackages[state.range(0)];
    const std::u16string path =
        QDir(VX_FIXTURE_DIR).filePath(QString(package) + ".msi").toStdU16String();
    for (auto _ : state) {
        vx::OriginalFilesModel model(vx::kOriginalSetupFilesLabel);
        vx::FillOriginalFiles(model, path);
        benchmark::DoNotOptimize(model.FileCount());
    }
    state.SetLabel(package);
}

void ExpandWidestFolder(benchmark::State& state) {
    const char* package = kPackages[state.range(0)];
    OpenPage page(package);
    page.Open();
    const QAbstractItemModel* model = page.tree->model();
    const QModelIndex folder = WidestFolder(model, {});
    for (QModelIndex up = folder.parent(); up.isValid(); up = up.parent()) {
        page.tree->expand(up);
    }
    page.tree->scrollTo(folder);
    QApplication::processEvents();
    for (auto _ : state) {
        page.tree->expand(folder);
        QApplication::sendPostedEvents();
        page.tree->viewport()->repaint();
        state.PauseTiming();
        page.tree->collapse(folder);
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.SetLabel(package);
    state.counters["children"] = model->rowCount(folder);
}

// The host's filter over the 50,000-file package's trees, from the text to the trees painted:
// arg 0 a text 50 files hold ("file 0123"), arg 1 clearing it again (everything shown).
void FilterTrees(benchmark::State& state) {
    OpenPage page("big50k");
    page.Open();
    const bool clearing = state.range(0) == 1;
    for (auto _ : state) {
        if (clearing) {
            state.PauseTiming();
            ThrowIfFailed(page.Page()->Filter(u"file 0123"));
            QApplication::processEvents();
            state.ResumeTiming();
        }
        ThrowIfFailed(page.Page()->Filter(clearing ? u"" : u"file 0123"));
        QApplication::sendPostedEvents();
        page.tree->viewport()->repaint();
        if (!clearing) {
            state.PauseTiming();
            ThrowIfFailed(page.Page()->Filter(u""));
            QApplication::processEvents();
            state.ResumeTiming();
        }
    }
    state.SetLabel(clearing ? "clear" : "narrow");
}

// Arg 0: the component column; arg 1: the destination column (the application services'
// option, from a settings file of this run).
void SelectFileDialog(benchmark::State& state) {
    const bool destination = state.range(0) != 0;
    QTemporaryDir config;
    QDir(config.path()).mkpath("vxide");
    QFile settings(QDir(config.path()).filePath("vxide/vxide.ini"));
    if (!settings.open(QIODevice::WriteOnly) ||
        settings.write(destination ? "[SelectFile]\nDestinationColumn=1\n"
                                   : "[SelectFile]\nDestinationColumn=0\n") < 0) {
        state.SkipWithError("cannot write the settings file");
        return;
    }
    settings.close();
    const QByteArray previous = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    const std::u16string package = QDir(VX_FIXTURE_DIR).filePath("big50k.msi").toStdU16String();
    int rows = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        CDlgOriginalSetupFiles dialog;
        PaintWatch watch;
        dialog.FileList().viewport()->installEventFilter(&watch);
        double shown = 0;
        // Closes the dialog once its list has painted.
        std::function<void()> closeWhenPainted = [&] {
            if (!watch.painted) {
                QTimer::singleShot(1, &dialog, closeWhenPainted);
                return;
            }
            shown = static_cast<double>(timer.nsecsElapsed()) / 1e9;
            dialog.reject();
        };
        QTimer::singleShot(0, &dialog, closeWhenPainted);
        dialog.DoModal(package);
        state.SetIterationTime(shown);
        rows = dialog.FileList().GetItemCount();
    }
    if (previous.isNull()) {
        qunsetenv("XDG_CONFIG_HOME");
    } else {
        qputenv("XDG_CONFIG_HOME", previous);
    }
    state.SetLabel(destination ? "destination" : "component");
    state.counters["rows"] = rows;
}

BENCHMARK(FillAlone)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(PageFirstPaint)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(FilterTrees)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(ExpandWidestFolder)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(SelectFileDialog)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
