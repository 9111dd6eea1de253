// The framework's tree and list controls with tens of thousands of rows, shown on the offscreen
// platform: inserting 50,000 nodes (3,000 folders, 47,000 files) under an expanded root,
// expanding one folder of 10,000 children, and filling a three-column list with 50,000 rows
// one at a time at the top against one bulk insertion. Each figure includes the layout and one
// paint of the visible rows that follow, since that is what the author waits for.

#include "ide/framework/widgets/image_list.h"
#include "ide/framework/widgets/list_ctrl.h"
#include "ide/framework/widgets/tree_ctrl.h"

#include <QApplication>
#include <QPixmap>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

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

// Arg 0: each row inserted at the top on its own, as a list is filled from a fetch loop;
// arg 1: the same rows in one InsertItems.
void ListInsert(benchmark::State& state) {
    const bool bulk = state.range(0) != 0;
    const int rows = static_cast<int>(state.range(1));
    for (auto _ : state) {
        state.PauseTiming();
        auto list = std::make_unique<vx::CVXListCtrl>();
        list->resize(300, 600);
        for (int col = 0; col < 3; ++col) {
            list->InsertColumn(col, QStringLiteral("Column %1").arg(col), vx::LVCFMT_LEFT, 100);
        }
        list->show();
        QApplication::processEvents();
        state.ResumeTiming();
        if (bulk) {
            std::vector<vx::CVXListRow> added;
            added.reserve(static_cast<size_t>(rows));
            for (int i = rows - 1; i >= 0; --i) {
                added.push_back({{QStringLiteral("file%1.dll").arg(i), QStringLiteral("F%1").arg(i),
                                  QStringLiteral("C%1").arg(i % 1000)},
                                 0});
            }
            list->InsertItems(0, std::move(added));
        } else {
            for (int i = 0; i < rows; ++i) {
                list->InsertItem(0, QStringLiteral("file%1.dll").arg(i));
                list->SetItemText(0, 1, QStringLiteral("F%1").arg(i));
                list->SetItemText(0, 2, QStringLiteral("C%1").arg(i % 1000));
            }
        }
        list->SetItemState(0, vx::LVIS_SELECTED, vx::LVIS_SELECTED);
        QApplication::sendPostedEvents();
        list->viewport()->repaint();
        state.PauseTiming();
        if (list->GetItemCount() != rows) {
            state.SkipWithError("wrong row count");
        }
        list.reset();
        state.ResumeTiming();
    }
    state.SetLabel(bulk ? "bulk" : "one at a time");
    state.counters["rows"] = static_cast<double>(rows);
}

BENCHMARK(TreeInsert50k)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(TreeExpand10k)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(ListInsert)
    ->Args({0, 5000})
    ->Args({1, 5000})
    ->Args({0, 50000})
    ->Args({1, 50000})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
