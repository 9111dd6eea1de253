// The author's way in, on X11 under Xvfb: the page made from the built module in a real window,
// a folder of the Original Setup Files tree dragged with the mouse onto the Files To Patch tree,
// then the project read back by vxpatch. The original package is the same bytes afterwards.

#include "shell/page_harness.h"
#include "support/child_process.h"
#include "support/scratch_folder.h"

#include <QTimer>

using namespace vx;
using namespace vx::testing;

class PageDragX11Test : public QObject {
    Q_OBJECT

    QTemporaryDir m_state;

private slots:
    void initTestCase() { qputenv("XDG_STATE_HOME", m_state.path().toUtf8()); }

    // Either button drags; the records go through Qt's own drag and drop (QDrag, the XDND
    // protocol through the X server).
    void dragFolderOntoPatchList_data() {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::newRow("left button") << Qt::LeftButton;
        QTest::newRow("right button") << Qt::RightButton;
    }
    void dragFolderOntoPatchList() {
        QFETCH(Qt::MouseButton, button);
        if (QGuiApplication::platformName() != "xcb") {
            QSKIP("needs the xcb platform (run under Xvfb)");
        }
        const QString original = QString::fromStdU16String(Fixture("basic.msi"));
        const auto before = FileBytes(original.toStdString());
        PageHarness page;
        page.MakeProject(original.toStdU16String());
        page.Open(ModuleFactory().Get());
        QVERIFY(QTest::qWaitForWindowExposed(&page.host));

        QTreeView* source = page.Tree(kOriginalTreeId);
        QTreeView* target = page.Tree(kPatchTreeId);
        const QModelIndex folder = Find(source, "Fixture Basic");
        QVERIFY(folder.isValid());
        source->scrollTo(folder);
        const QModelIndex root = target->model()->index(0, 0);
        QWindow* window = page.host.windowHandle();
        const QPoint start =
            source->viewport()->mapTo(&page.host, source->visualRect(folder).center());
        const QPoint end = target->viewport()->mapTo(&page.host, target->visualRect(root).center());
        // The drag runs its own event loop; the rest of the gesture comes from inside it.
        QTimer::singleShot(200, [&] {
            QTest::mouseMove(window, end - QPoint(5, 0));
            QTimer::singleShot(200, [&] { QTest::mouseMove(window, end); });
            QTimer::singleShot(500, [&] { QTest::mouseRelease(window, button, {}, end); });
        });
        QTest::mousePress(window, button, {}, start);
        QTest::mouseMove(window, start + QPoint(20, 0));
        QTRY_COMPARE(target->model()->rowCount(root), 5);

        BStr path;
        QCOMPARE(page.project->GetFilePath(path.Out()), S_OK);
        const ChildOutcome listed =
            RunShell(Quote(VX_VXPATCH) + " list " +
                     Quote(QString::fromStdU16String(path.ToString()).toStdString()));
        QCOMPARE(listed.exitCode, 0);
        QStringList keys;
        for (const std::string& line : Lines(listed.out)) {
            keys << QString::fromStdString(line).section('\t', 0, 0);
        }
        QCOMPARE(keys, (QStringList{"PluginDll", "CoreDll", "Guide", "AppExe", "Readme"}));
        QVERIFY(FileBytes(original.toStdString()) == before);
    }
};

QTEST_MAIN(PageDragX11Test)
#include "page_drag_x11_test.moc"
