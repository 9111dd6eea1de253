// The framework's tree control with tens of thousands of nodes, shown on the offscreen
// platform: inserting 50,000 nodes (3,000 folders, 47,000 files) under an expanded root, and
// expanding one folder of 10,000 children. Each figure includes the layout and one paint of
// the visible rows that follow, since that is what the author waits for.

#include "ide/framework/widgets/image_list.h"
#include "ide/framework/widgets/tree_ctrl.h"

#include <QApplication>
#include <QPixmap>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kFolders = 3000;
constexpr int kNodes = 50000;
constexpr int kWideFolder = 10000;

// A shown tree of 300 by 600 pixels with a four-image list.
struct ShownTree {
    vx::CVXImageList images;
    vx::CVXTreeCtrl tree;

    ShownTree() {
        QPixmap strip(64, 16);
        strip.fill(Qt::darkCyan);
        images.Add(strip, QColor(255, 0, 255));
        tree.SetImageList(&images);
        tree.resize(300, 600);
        tree.show();
        QApplication::processEvents();
    }

    // Layout and one paint of what is visible.
    void Settle() {
        QApplication::sendPostedEvents();
        tree.viewport()->repaint();
    }
};

void Fill(vx::CVXTreeCtrl& tree) {
    vx::HTREEITEM root = tree.InsertItem(QStringLiteral("Original Setup Files"), 0, 0);
    tree.Expand(root, vx::TVE_EXPAND);
    const int filesPerFolder = (kNodes - 1 - kFolders) / kFolders;
    int files = 0;
    for (int f = 0; f < kFolders; ++f) {
        vx::HTREEITEM folder = tree.InsertItem(QStringLiteral("Folder %1").arg(f), 2, 2, root);
        const int count = f + 1 == kFolders ? kNodes - 1 - kFolders - files : filesPerFolder;
        for (int i = 0; i < count; ++i) {
            tree.InsertItem(QStringLiteral("file%1.dll").arg(i), 1, 1, folder);
        }
        files += count;
    }
}

void TreeInsert50k(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto shown = std::make_unique<ShownTree>();
        state.ResumeTiming();
        Fill(shown->tree);
        shown->Settle();
        state.PauseTiming();
        if (shown->tree.GetCount() != kNodes) {
            state.SkipWithError("wrong node count");
        }
        shown.reset();
        state.ResumeTiming();
    }
    state.counters["nodes"] = kNodes;
}

void TreeExpand10k(benchmark::State& state) {
    ShownTree shown;
    vx::HTREEITEM root = shown.tree.InsertItem(QStringLiteral("root"), 0, 0);
    vx::HTREEITEM wide = shown.tree.InsertItem(QStringLiteral("wide"), 2, 2, root);
    for (int i = 0; i < kWideFolder; ++i) {
        shown.tree.InsertItem(QStringLiteral("file%1.dll").arg(i), 1, 1, wide);
    }
    shown.tree.Expand(root, vx::TVE_EXPAND);
    shown.Settle();
    for (auto _ : state) {
        shown.tree.Expand(wide, vx::TVE_EXPAND);
        shown.Settle();
        state.PauseTiming();
        shown.tree.Expand(wide, vx::TVE_COLLAPSE);
        shown.Settle();
        state.ResumeTiming();
    }
    state.counters["children"] = kWideFolder;
}

BENCHMARK(TreeInsert50k)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(TreeExpand10k)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
