// The splitter: pane ids, placing and flipping windows, the first sizing and later resizes,
// and windows that outlive it.

#include "ide/framework/widgets/control_id.h"
#include "ide/framework/widgets/splitter_wnd.h"

#include <QSplitter>
#include <QTest>

using namespace vx;

class SplitterTest : public QObject {
    Q_OBJECT

private slots:
    void paneIds_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::addColumn<UINT>("id");
        QTest::newRow("first pane") << 0 << 0 << 59648u;
        QTest::newRow("second column") << 0 << 1 << 59649u;
        QTest::newRow("second row") << 1 << 0 << 59664u;
        QTest::newRow("row 2, column 3") << 2 << 3 << 59683u;
    }

    void paneIds() {
        QFETCH(int, row);
        QFETCH(int, col);
        QTEST(CVXSplitterWnd::IdFromRowCol(row, col), "id");
    }

    // The page's layout: an outer splitter of two columns with a splitter of two rows in its
    // first pane, and several windows in its second of which one shows at a time.
    void placeAndFlip() {
        QWidget page;
        CVXSplitterWnd outer;
        CVXSplitterWnd inner;
        QWidget upper, lower, host, form1, form2;
        QVERIFY(outer.CreateStatic(&page, 1, 2));
        QVERIFY(inner.CreateStatic(&outer, 2, 1));
        QVERIFY(!inner.CreateStatic(&outer, 2, 1)); // once only
        QVERIFY(outer.AttachSplitter(0, 0, &inner));
        QVERIFY(inner.AttachWindow(0, 0, &upper));
        QVERIFY(inner.AttachWindow(1, 0, &lower));
        for (QWidget* w : {&host, &form1, &form2}) {
            QVERIFY(outer.AttachWindow(0, 1, w));
        }
        page.show();
        QCOMPARE(GetDlgCtrlID(&inner), 59648u);
        QCOMPARE(GetDlgCtrlID(&lower), 59664u);
        QCOMPARE(GetDlgCtrlID(&form2), 59649u);
        QCOMPARE(outer.GetPane(0, 1), &host); // the first placed shows
        QVERIFY(host.isVisible() && !form1.isVisible() && !form2.isVisible());

        QVERIFY(outer.FlipWindow(0, 1, &form2));
        QCOMPARE(outer.GetPane(0, 1), &form2);
        QVERIFY(form2.isVisible() && !host.isVisible() && !form1.isVisible());
        QVERIFY(!outer.FlipWindow(0, 1, &upper)); // not placed there: nothing changes
        QVERIFY(!outer.FlipWindow(0, 2, &form2));
        QCOMPARE(outer.GetPane(0, 1), &form2);
        QVERIFY(upper.isVisible() && lower.isVisible());
    }

    // The first sizing gives 1/3 and 2/3 of 900 pixels and two rows of 300; a later resize
    // keeps the first column and the upper row, the last pane takes the difference.
    void firstSizingThenResize() {
        QWidget page;
        page.resize(1300, 900);
        CVXSplitterWnd outer;
        CVXSplitterWnd inner;
        outer.CreateStatic(&page, 1, 2);
        inner.CreateStatic(&outer, 2, 1);
        outer.AttachSplitter(0, 0, &inner);
        page.show();
        outer.MoveWindowNoBorder({0, 0, 900, 600});
        outer.SetColumnInfo(0, 300, 10);
        outer.SetColumnInfo(1, 600, 10);
        inner.SetRowInfo(0, 300, 10);
        inner.SetRowInfo(1, 300, 10);
        outer.RecalcLayout();
        inner.RecalcLayout();
        int current = 0;
        int minimum = 0;
        QVERIFY(outer.GetColumnInfo(0, current, minimum));
        QCOMPARE(current, 300);
        QCOMPARE(minimum, 10);
        QCOMPARE(outer.IdealColumnSize(1), 600);
        QVERIFY(inner.GetRowInfo(0, current, minimum));
        QCOMPARE(current, 300);
        QVERIFY(!inner.GetColumnInfo(0, current, minimum)); // a splitter of rows has no columns

        outer.MoveWindowNoBorder({0, 0, 1200, 800});
        QVERIFY(outer.GetColumnInfo(0, current, minimum));
        QCOMPARE(current, 300);
        QCOMPARE(outer.Splitter()->sizes().value(1), 1200 - 300 - outer.Splitter()->handleWidth());
        QVERIFY(inner.GetRowInfo(0, current, minimum));
        QCOMPARE(current, 300);
    }

    // Windows kept by their owner (members declared before the splitter) are handed back, not
    // deleted, when the splitter goes.
    void windowsOutliveTheSplitter() {
        QWidget tree;
        {
            CVXSplitterWnd splitter;
            splitter.CreateStatic(nullptr, 1, 2, 0);
            splitter.AttachWindow(0, 1, &tree);
            QCOMPARE(tree.parentWidget() != nullptr, true);
        }
        QCOMPARE(tree.parentWidget(), nullptr);
        QVERIFY(!tree.isVisible());
    }
};

QTEST_MAIN(SplitterTest)
#include "splitter_test.moc"
