// A drag between two trees of one window on X11 (run under Xvfb with the xcb platform): the
// mouse presses on a source item, moves, and is released over the target tree; Qt's own drag
// and drop (QDrag, the XDND protocol through the X server) carries the record to OnTreeDrop.

#include "tests/framework/drag_records.h"

#include <QHBoxLayout>
#include <QTest>
#include <QTimer>

using namespace vx;
using namespace vx::testing;

class TreeDragX11Test : public QObject {
    Q_OBJECT

private slots:
    void dragBetweenTrees_data() {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::newRow("left button") << Qt::LeftButton;
        QTest::newRow("right button") << Qt::RightButton;
    }

    void dragBetweenTrees() {
        QFETCH(Qt::MouseButton, button);
        if (QGuiApplication::platformName() != "xcb") {
            QSKIP("needs the xcb platform (run under Xvfb)");
        }
        RegisterDragDropClass(LabelRecord::kClass);
        QWidget window;
        auto* layout = new QHBoxLayout(&window);
        auto* source = new SourceTree;
        auto* target = new TargetTree;
        layout->addWidget(source);
        layout->addWidget(target);
        source->Initialize(true, false);
        target->Initialize(false, true);
        HTREEITEM file = source->InsertItem("file.dll");
        HTREEITEM root = target->InsertItem("Files To Patch");
        window.resize(400, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QRect from;
        QRect to;
        source->GetItemRect(file, &from, true);
        target->GetItemRect(root, &to, true);
        QWindow* handle = window.windowHandle();
        const QPoint start = source->viewport()->mapTo(&window, from.center());
        const QPoint end = target->viewport()->mapTo(&window, to.center());
        // The drag runs its own event loop; the rest of the gesture comes from inside it.
        QTimer::singleShot(200, [&] {
            QTest::mouseMove(handle, end - QPoint(5, 0));
            QTimer::singleShot(200, [&] { QTest::mouseMove(handle, end); });
            QTimer::singleShot(500, [&] { QTest::mouseRelease(handle, button, {}, end); });
        });
        QTest::mousePress(handle, button, {}, start);
        QTest::mouseMove(handle, start + QPoint(20, 0));
        QTRY_COMPARE(target->drops.size(), size_t{1});
        QVERIFY(target->drops[0].first == std::vector<std::u16string>{u"file.dll"});
        QCOMPARE(target->drops[0].second, root);
    }
};

QTEST_MAIN(TreeDragX11Test)
#include "tree_drag_x11_test.moc"
