// Forms on a Designer file: controls found by id, button states, notifications, the edit's
// commit message on Enter and on focus loss; the report list; paths shortened for labels.

#include "ide/framework/widgets/attribute_form.h"
#include "ide/framework/widgets/list_ctrl.h"
#include "ide/framework/widgets/path_compact.h"
#include "ide/framework/widgets/vx_edit.h"
#include "ui_test_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QTest>

using namespace vx;

namespace {

class TestForm final : public CVXAttributeForm {
public:
    TestForm() : CVXAttributeForm(207, &BuildFromUi<Ui::TestForm>) {}
    std::vector<std::pair<UINT, WPARAM>> messages;
    std::vector<std::pair<UINT, UINT>> commands;

    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM) override {
        messages.emplace_back(message, wParam);
        return 0;
    }

protected:
    void OnCommand(UINT id, UINT code) override { commands.emplace_back(id, code); }
};

} // namespace

class FormTest : public QObject {
    Q_OBJECT

private slots:
    void controlsById_data() {
        QTest::addColumn<UINT>("id");
        QTest::addColumn<QString>("className");
        QTest::newRow("label") << 201u << "QLabel";
        QTest::newRow("committing edit") << 233u << "vx::CVXEdit";
        QTest::newRow("check box") << 215u << "QCheckBox";
        QTest::newRow("combo box") << 218u << "QComboBox";
        QTest::newRow("no such control") << 999u << "";
    }

    void controlsById() {
        QFETCH(UINT, id);
        TestForm form;
        QVERIFY(form.Create(nullptr, 59649, 0));
        QVERIFY(!form.Create(nullptr, 59649, 0));
        QCOMPARE(form.GetDlgCtrlID(), 59649u);
        QWidget* control = form.GetDlgItem(id);
        QTEST(control ? QString(control->metaObject()->className()) : QString(), "className");
    }

    void statesAndTexts() {
        TestForm form;
        form.Create(nullptr, 59649, 0);
        QVERIFY(form.SetBtnState(215, BST_CHECKED));
        QVERIFY(form.GetDlgItemAs<QCheckBox>(215)->isChecked());
        QVERIFY(!form.SetBtnState(201, BST_CHECKED)); // a label has no state
        QCOMPARE(form.GetBtnState(204), BST_UNCHECKED);
        QVERIFY(form.SetWndEnable(204, false));
        QVERIFY(!form.GetDlgItem(204)->isEnabled());
        QVERIFY(form.SetDlgItemText(201, "Setup.exe"));
        QCOMPARE(form.GetDlgItemText(201), QString("Setup.exe"));
        QCOMPARE(form.GetDlgItemText(218), QString("INSTALLDIR"));
    }

    void notifications() {
        TestForm form;
        form.Create(nullptr, 59649, WS_VISIBLE);
        QTest::mouseClick(form.GetDlgItem(215), Qt::LeftButton);
        QTest::mouseClick(form.GetDlgItem(204), Qt::LeftButton);
        auto* combo = form.GetDlgItemAs<QComboBox>(218);
        emit combo->activated(1);  // what choosing an entry does
        combo->setCurrentIndex(0); // the program's own change is no notification
        using Commands = std::vector<std::pair<UINT, UINT>>;
        QCOMPARE(form.commands,
                 (Commands{{215, BN_CLICKED}, {204, BN_CLICKED}, {218, CBN_SELCHANGE}}));
        QCOMPARE(form.GetBtnState(215), BST_CHECKED);
    }

    // The edit commits once on Enter, once when the focus leaves after typing, once when the
    // page commits it (twice) before moving the author elsewhere; never for text the program
    // set or for leaving an edit unchanged.
    void editCommits_data() {
        QTest::addColumn<QString>("text"); // typed ("" types nothing)
        QTest::addColumn<bool>("enter");
        QTest::addColumn<bool>("programSets");
        QTest::addColumn<bool>("pageCommits");
        QTest::addColumn<int>("commits");
        QTest::newRow("Enter") << "new.dll" << true << false << false << 1;
        QTest::newRow("focus leaves after typing") << "new.dll" << false << false << false << 1;
        QTest::newRow("page commits") << "x" << false << false << true << 1;
        QTest::newRow("focus leaves, nothing typed") << "" << false << false << false << 0;
        QTest::newRow("focus leaves, program set the text") << "" << false << true << false << 0;
    }

    void editCommits() {
        QFETCH(QString, text);
        QFETCH(bool, enter);
        QFETCH(bool, programSets);
        QFETCH(bool, pageCommits);
        TestForm form;
        form.Create(nullptr, 59649, WS_VISIBLE);
        QApplication::setActiveWindow(&form);
        QVERIFY(QTest::qWaitForWindowActive(&form));
        auto* edit = form.GetDlgItemAs<CVXEdit>(233);
        edit->setFocus();
        QTRY_VERIFY(edit->hasFocus());
        if (programSets) {
            edit->setText("set by the form");
        }
        QTest::keyClicks(edit, text);
        if (enter) {
            QTest::keyClick(edit, Qt::Key_Return);
        }
        if (pageCommits) {
            CVXAttributeForm::CommitEditControl();
            CVXAttributeForm::CommitEditControl();
            QCOMPARE(form.messages.size(), size_t{1}); // before the focus leaves
        }
        form.GetDlgItem(202)->setFocus(); // every row ends with the focus leaving
        QTRY_VERIFY(!edit->hasFocus());
        QTEST(int(form.messages.size()), "commits");
        for (const auto& [message, id] : form.messages) {
            QCOMPARE(message, WM_VX_EDITCOMMIT);
            QCOMPARE(id, WPARAM{233});
        }
        QCOMPARE(edit->text(), programSets ? QString("set by the form") : text);
    }

    void listRowsAndSelection_data() {
        QTest::addColumn<uint32_t>("style");
        QTest::addColumn<bool>("bulk"); // B and C inserted together above A
        QTest::addColumn<QList<int>>("selected");
        QTest::newRow("several rows") << uint32_t{LVS_REPORT} << false << QList<int>{0, 2};
        QTest::newRow("single selection")
            << uint32_t{LVS_REPORT | LVS_SINGLESEL} << false << QList<int>{2};
        QTest::newRow("bulk insertion") << uint32_t{LVS_REPORT} << true << QList<int>{0, 2};
    }

    void listRowsAndSelection() {
        QFETCH(uint32_t, style);
        QFETCH(bool, bulk);
        QFETCH(QList<int>, selected);
        CVXListCtrl list;
        list.Create(style | WS_VISIBLE, {0, 0, 300, 200}, nullptr, 214);
        QCOMPARE(list.InsertColumn(0, "Name"), 0);
        QCOMPARE(list.InsertColumn(1, "File Key"), 1);
        const QList<const char*> oneByOne = bulk ? QList{"A"} : QList{"A", "B", "C"};
        for (const char* key : oneByOne) {
            const int row = list.InsertItem(0, QString(key) + ".dll"); // each at the top
            list.SetItemText(row, 1, key);
            list.SetItemData(row, DWORD_PTR(key[0]));
        }
        if (bulk) {
            QCOMPARE(list.InsertItems(-5, {{{"C.dll", "C"}, 'C'}, {{"B.dll", "B"}, 'B'}}), 0);
            QCOMPARE(list.InsertItems(9, {}), 3);
        }
        QCOMPARE(list.GetItemText(0, 1), QString("C"));
        QCOMPARE(list.GetItemText(2, 0), QString("A.dll"));
        QCOMPARE(list.GetItemData(1), DWORD_PTR('B'));
        list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
        list.SetItemState(2, LVIS_SELECTED, LVIS_SELECTED);
        QList<int> walked;
        for (int row = list.GetNextItem(-1, LVNI_SELECTED); row >= 0;
             row = list.GetNextItem(row, LVNI_SELECTED)) {
            walked << row;
        }
        QCOMPARE(walked, selected);
        QCOMPARE(list.GetSelectedCount(), UINT(selected.size()));
    }

    void compactPaths_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("chars");        // the width, in widths of "x"
        QTest::addColumn<QString>("expected"); // "" when only the shape is checked
        QTest::newRow("fits") << "C:\\App\\a.dll" << 40 << "C:\\App\\a.dll";
        QTest::newRow("middle gives way")
            << "[ProgramFilesFolder]\\Company\\Product\\bin\\file.dll" << 36 << "";
        QTest::newRow("file name alone too long")
            << "/very/long/folder/averyveryverylongfilename.dll" << 12 << "";
    }

    void compactPaths() {
        QFETCH(QString, path);
        QFETCH(int, chars);
        QFETCH(QString, expected);
        QFont font("Monospace");
        font.setStyleHint(QFont::TypeWriter);
        const QFontMetrics metrics(font);
        const int width = chars * metrics.horizontalAdvance('x');
        const QString shown = VXPathCompactPath(path, width, metrics);
        QVERIFY(metrics.horizontalAdvance(shown) <= width);
        if (!expected.isEmpty()) {
            QCOMPARE(shown, expected);
        } else if (chars >= 20) {
            QVERIFY(shown.endsWith("...\\file.dll"));
            QVERIFY(shown.startsWith("[ProgramFilesFolder]"));
        } else {
            QVERIFY(shown.startsWith("averyvery") && shown.endsWith("…"));
        }
    }
};

QTEST_MAIN(FormTest)
#include "form_test.moc"
