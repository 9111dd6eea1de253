// The splitter: placing and flipping windows, and windows that outlive it. (The page's first
// sizing and later resizes are page_test's, its pane ids every page test's.)

#include "ide/framework/widgets/control_id.h"
#include "ide/framework/widgets/splitter_wnd.h"

#include <QSplitter>
#include <QTest>

using namespace vx;

class SplitterTest : public QObject {
    Q_OBJECT

private slots:
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
