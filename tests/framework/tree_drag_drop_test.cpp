// Tree drag and drop: the record's trip through a real QMimeData, the drag gesture building the
// payload on the source side, and the target's acceptance and refusal.

#include "tests/framework/drag_records.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QTest>

using namespace vx;
using namespace vx::testing;

namespace {

std::unique_ptr<QMimeData> MimeFor(const QString& kind) {
    if (kind == "labels") {
        LabelRecord record;
        record.labels = {u"a"};
        return SaveDragRecord(record);
    }
    if (kind == "other") {
        return SaveDragRecord(OtherRecord());
    }
    auto text = std::make_unique<QMimeData>();
    text->setText("not a record");
    return text;
}

} // namespace

class TreeDragDropTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        RegisterDragDropClass(LabelRecord::kClass);
        RegisterDragDropClass(OtherRecord::kClass);
    }

    void recordThroughMimeData() {
        LabelRecord record;
        record.labels = {u"Setup.exe", u"", u"Data\\Ünïcode.cab", u"Setup.exe"};
        std::unique_ptr<QMimeData> mime = SaveDragRecord(record);
        QCOMPARE(mime->formats(), QStringList{kDragRecordMimeType});
        QVERIFY(mime->data(kDragRecordMimeType).startsWith("VXDD"));
        std::unique_ptr<CDragDropData> loaded = LoadDragRecord(mime.get());
        QVERIFY(loaded && loaded->IsKindOf(LabelRecord::kClass));
        QVERIFY(static_cast<LabelRecord&>(*loaded).labels == record.labels);

        QVERIFY(!LoadDragRecord(MimeFor("text").get()));
        QByteArray damaged = mime->data(kDragRecordMimeType);
        damaged[0] = 'X';
        mime->setData(kDragRecordMimeType, damaged);
        QVERIFY(!LoadDragRecord(mime.get()));
    }

    // A drag gesture asks for the payload only in drag-source mode and only on an item; the
    // offscreen platform ends the drag at once.
    void dragGesture_data() {
        QTest::addColumn<bool>("source");
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<bool>("onItem");
        QTest::addColumn<int>("payloads");
        QTest::newRow("left drag") << true << Qt::LeftButton << true << 1;
        QTest::newRow("right drag") << true << Qt::RightButton << true << 1;
        QTest::newRow("not a drag source") << false << Qt::LeftButton << true << 0;
        QTest::newRow("beside the items") << true << Qt::LeftButton << false << 0;
    }

    void dragGesture() {
        QFETCH(bool, source);
        QFETCH(Qt::MouseButton, button);
        QFETCH(bool, onItem);
        QFETCH(int, payloads);
        SourceTree tree;
        tree.resize(200, 200);
        tree.show();
        tree.Initialize(source, false);
        HTREEITEM item = tree.InsertItem("file.dll");
        QRect rect;
        tree.GetItemRect(item, &rect, true);
        const QPoint start = onItem ? rect.center() : QPoint(100, 180);
        QTest::mousePress(tree.viewport(), button, {}, start);
        const QPoint to = start + QPoint(30, 30);
        QMouseEvent move(QEvent::MouseMove, to, tree.viewport()->mapToGlobal(to), Qt::NoButton,
                         button, {});
        QApplication::sendEvent(tree.viewport(), &move);
        QCOMPARE(int(tree.payloadsFor.size()), payloads);
        if (payloads) {
            QCOMPARE(tree.payloadsFor[0], item);
        }
    }

    void dropTarget_data() {
        QTest::addColumn<bool>("target");
        QTest::addColumn<QString>("data");
        QTest::addColumn<bool>("dropped");
        QTest::newRow("record accepted") << true << "labels" << true;
        QTest::newRow("record class refused") << true << "other" << false;
        QTest::newRow("foreign data") << true << "text" << false;
        QTest::newRow("not a drop target") << false << "labels" << false;
    }

    void dropTarget() {
        QFETCH(bool, target);
        QFETCH(QString, data);
        QFETCH(bool, dropped);
        TargetTree tree;
        tree.resize(200, 200);
        tree.show();
        tree.Initialize(false, target);
        HTREEITEM root = tree.InsertItem("Files To Patch");
        QRect rect;
        tree.GetItemRect(root, &rect, false);
        const std::unique_ptr<QMimeData> mime = MimeFor(data);
        const QPoint at = rect.center();
        const auto actions = Qt::CopyAction | Qt::MoveAction;
        QDragEnterEvent enter(at, actions, mime.get(), Qt::RightButton, Qt::ControlModifier);
        QApplication::sendEvent(tree.viewport(), &enter);
        QDragMoveEvent move(at, actions, mime.get(), Qt::RightButton, Qt::ControlModifier);
        QApplication::sendEvent(tree.viewport(), &move);
        QCOMPARE(move.isAccepted(), dropped);
        QDropEvent drop(at, actions, mime.get(), Qt::NoButton, Qt::ControlModifier);
        QApplication::sendEvent(tree.viewport(), &drop);
        QCOMPARE(drop.isAccepted(), dropped);
        QCOMPARE(tree.drops.size(), size_t(dropped ? 1 : 0));
        if (dropped) {
            QCOMPARE(drop.dropAction(), Qt::CopyAction);
            QVERIFY(tree.drops[0].first == std::vector<std::u16string>{u"a"});
            QCOMPARE(tree.drops[0].second, root);
            QCOMPARE(tree.keyStates.front(), MK_RBUTTON | MK_CONTROL);
        }
    }
};

QTEST_MAIN(TreeDragDropTest)
#include "tree_drag_drop_test.moc"
