// The tree control's operations the pages use: insert positions, deletion with its item-data
// notifications, the caret, hit tests, keys and right clicks. (Label edits are refused by both
// of the page's trees: patch_tree_test, page_windows_test.)

#include "ide/framework/widgets/image_list.h"
#include "ide/framework/widgets/tree_ctrl.h"

#include <QPixmap>
#include <QSignalSpy>
#include <QTest>

using namespace vx;

namespace {

// Records the notifications a page's tree receives.
class RecordingTree final : public CVXTreeCtrl {
public:
    using CVXTreeCtrl::CVXTreeCtrl;
    std::vector<std::pair<QString, DWORD_PTR>> deleted;
    std::vector<UINT> keys;
    std::vector<QPoint> menus;

protected:
    void OnDeleteItem(HTREEITEM item, DWORD_PTR itemData) override {
        deleted.emplace_back(GetItemText(item), itemData);
    }
    void OnKeyDown(UINT key, UINT repeat, UINT flags) override {
        keys.push_back(key);
        CVXTreeCtrl::OnKeyDown(key, repeat, flags);
    }
    void OnContextMenu(QPoint screen) override { menus.push_back(screen); }
};

QStringList Labels(const CVXTreeCtrl& tree, HTREEITEM parent) {
    QStringList labels;
    for (HTREEITEM item = tree.GetChildItem(parent); item; item = tree.GetNextSiblingItem(item)) {
        labels << tree.GetItemText(item);
    }
    return labels;
}

} // namespace

class TreeCtrlTest : public QObject {
    Q_OBJECT

private slots:
    void insertPositions_data() {
        QTest::addColumn<QString>("position");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("last") << "last" << QStringList{"b", "a", "C"};
        QTest::newRow("first") << "first" << QStringList{"C", "a", "b"};
        QTest::newRow("sorted, ignoring case") << "sort" << QStringList{"a", "b", "C"};
        QTest::newRow("after the first") << "after" << QStringList{"b", "C", "a"};
    }

    void insertPositions() {
        QFETCH(QString, position);
        QFETCH(QStringList, expected);
        CVXTreeCtrl tree;
        HTREEITEM root = tree.InsertItem("root");
        HTREEITEM first = nullptr;
        for (const char* label : {"b", "a", "C"}) {
            HTREEITEM after = position == "first"            ? TVI_FIRST
                              : position == "sort"           ? TVI_SORT
                              : position == "after" && first ? first
                                                             : TVI_LAST;
            HTREEITEM item = tree.InsertItem(label, root, after);
            first = first ? first : item;
        }
        QCOMPARE(Labels(tree, root), expected);
        // Walking back agrees with walking forward, and the model's rows with both.
        QStringList backwards;
        HTREEITEM last = tree.GetChildItem(root);
        while (tree.GetNextSiblingItem(last)) {
            last = tree.GetNextSiblingItem(last);
        }
        for (HTREEITEM item = last; item; item = tree.GetPrevSiblingItem(item)) {
            backwards.prepend(tree.GetItemText(item));
            QCOMPARE(tree.ItemFromIndex(tree.IndexFromItem(item)), item);
        }
        QCOMPARE(backwards, expected);
    }

    // Children go before their parent, each with its data; the caret moves off deleted items.
    void deleteReleasesItemData() {
        RecordingTree tree;
        HTREEITEM root = tree.InsertItem("root");
        HTREEITEM folder = tree.InsertItem("folder", root);
        tree.SetItemData(folder, 1);
        tree.SetItemData(tree.InsertItem("x", folder), 2);
        tree.SetItemData(tree.InsertItem("y", folder), 3);
        HTREEITEM other = tree.InsertItem("other", root);
        tree.SelectItem(tree.GetChildItem(folder));
        QSignalSpy changes(&tree, &CVXTreeCtrl::SelChanged);

        QVERIFY(tree.DeleteItem(folder));
        using Deleted = std::vector<std::pair<QString, DWORD_PTR>>;
        QCOMPARE(tree.deleted, (Deleted{{"x", 2}, {"y", 3}, {"folder", 1}}));
        QCOMPARE(tree.GetCount(), 2u);
        QCOMPARE(Labels(tree, root), QStringList{"other"});
        QVERIFY(tree.GetSelectedItem() != nullptr);
        QCOMPARE(changes.count(), 1);

        tree.deleted.clear();
        tree.DeleteAllItems();
        QCOMPARE(tree.deleted, (Deleted{{"other", 0}, {"root", 0}}));
        QCOMPARE(tree.GetCount(), 0u);
        Q_UNUSED(other);
    }

    void caret() {
        CVXTreeCtrl tree;
        HTREEITEM root = tree.InsertItem("root");
        HTREEITEM deep = tree.InsertItem("deep", tree.InsertItem("folder", root));
        QSignalSpy changes(&tree, &CVXTreeCtrl::SelChanged);
        tree.SelectItem(deep);
        QCOMPARE(tree.GetSelectedItem(), deep);
        QVERIFY(tree.IsExpanded(root) && tree.IsExpanded(tree.GetParentItem(deep)));
        tree.SelectItem(deep); // no change, no notification
        tree.SelectItem(nullptr);
        QCOMPARE(tree.GetSelectedItem(), nullptr);
        QCOMPARE(changes.count(), 2);
        QCOMPARE(changes[1][1].value<HTREEITEM>(), deep);
        QCOMPARE(changes[1][2].value<HTREEITEM>(), nullptr);
    }

    // Across a row, left to right, the parts come in order; below the rows is nowhere. A click
    // toggles the check box exactly where the hit test says the box is.
    void hitTest_data() {
        QTest::addColumn<bool>("folder");
        QTest::addColumn<QList<UINT>>("parts");
        QTest::newRow("folder with a file")
            << true << QList<UINT>{TVHT_ONITEMBUTTON, TVHT_ONITEMINDENT, TVHT_ONITEMSTATEICON,
                                   TVHT_ONITEMICON,   TVHT_ONITEMLABEL,  TVHT_ONITEMRIGHT};
        QTest::newRow("file in the folder")
            << false
            << QList<UINT>{TVHT_ONITEMINDENT, TVHT_ONITEMSTATEICON, TVHT_ONITEMICON,
                           TVHT_ONITEMLABEL, TVHT_ONITEMRIGHT};
    }

    void hitTest() {
        QFETCH(bool, folder);
        CVXImageList images;
        QPixmap icon(16, 16);
        icon.fill(Qt::blue);
        images.Add(icon, QColor(255, 0, 255));
        CVXTreeCtrl tree;
        tree.ModifyStyle(0, TVS_LINESATROOT | TVS_CHECKBOXES);
        tree.SetImageList(&images);
        tree.resize(300, 200);
        tree.show();
        HTREEITEM parent = tree.InsertItem("folder", 0, 0);
        HTREEITEM child = tree.InsertItem("file", 0, 0, parent);
        tree.Expand(parent, TVE_EXPAND);
        HTREEITEM item = folder ? parent : child;
        QRect row;
        QVERIFY(tree.GetItemRect(item, &row, false));
        QList<UINT> seen;
        for (int x = 0; x < tree.viewport()->width(); ++x) {
            UINT flags = 0;
            const QPoint at(x, row.center().y());
            QCOMPARE(tree.HitTest(at, &flags), item);
            if (seen.isEmpty() || seen.back() != flags) {
                seen << flags;
            }
            if (flags != TVHT_ONITEMBUTTON) { // the button would fold the row away
                const bool before = tree.GetCheck(item);
                QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, at);
                QCOMPARE(tree.GetCheck(item) != before, flags == TVHT_ONITEMSTATEICON);
            }
        }
        QTEST(seen, "parts");
        UINT flags = 0;
        QCOMPARE(tree.HitTest({5, 190}, &flags), nullptr);
        QCOMPARE(flags, TVHT_NOWHERE);
    }

    // Ins, Del and Menu reach OnKeyDown with their codes; the Menu key makes no menu by itself,
    // a right click makes one and selects nothing.
    void keysAndRightClicks() {
        RecordingTree tree;
        tree.resize(200, 100);
        tree.show();
        HTREEITEM first = tree.InsertItem("first");
        HTREEITEM second = tree.InsertItem("second");
        tree.SelectItem(first);
        for (Qt::Key key : {Qt::Key_Insert, Qt::Key_Delete, Qt::Key_Menu}) {
            QTest::keyClick(&tree, key);
        }
        QCOMPARE(tree.keys, (std::vector<UINT>{VK_INSERT, VK_DELETE, VK_APPS}));
        QVERIFY(tree.menus.empty());

        QRect rect;
        tree.GetItemRect(second, &rect, true);
        QTest::mouseClick(tree.viewport(), Qt::RightButton, {}, rect.center());
        QCOMPARE(tree.menus.size(), size_t{1});
        QCOMPARE(tree.menus[0], tree.ClientToScreen(rect.center()));
        QCOMPARE(tree.GetSelectedItem(), first);
    }
};

QTEST_MAIN(TreeCtrlTest)
#include "tree_ctrl_test.moc"
