// The services tests answer in place of a person: file dialogs asked in the page's terms,
// context menus, and the mapping of message-box styles onto Qt's message box.

#include "ide/framework/widgets/browse_file.h"
#include "ide/framework/widgets/qt_message_service.h"
#include "ide/framework/widgets/scripted_context_menu_service.h"
#include "ide/framework/widgets/scripted_file_dialog_service.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

using namespace vx;

class ServicesTest : public QObject {
    Q_OBJECT

private slots:
    void browseFileRequest_data() {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<uint32_t>("flags");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("proposed");
        QTest::addColumn<QStringList>("nameFilters");
        QTest::addColumn<bool>("multiple");
        const QString all = "All Files (*.*)|**|";
        QTest::newRow("pattern for a name") << "*.*" << 0x1806u << all << ""
                                            << "" << QStringList{"All Files (*)"} << false;
        QTest::newRow("a file's path") << "/tmp/patch/new.dll" << 0x1806u << all << "/tmp/patch"
                                       << "new.dll" << QStringList{"All Files (*)"} << false;
        QTest::newRow("two filters, several files")
            << "" << OFN_ALLOWMULTISELECT
            << "Programs (*.exe;*.dll)|*.exe;*.dll|All Files (*.*)|*.*|"
            << ""
            << "" << QStringList{"Programs (*.exe *.dll)", "All Files (*)"} << true;
    }

    void browseFileRequest() {
        QFETCH(QString, fileName);
        QFETCH(uint32_t, flags);
        QFETCH(QString, filter);
        ScriptedFileDialogService dialogs;
        CVXBrowseFile browse(true, "*.*", fileName, flags, filter);
        QVERIFY(!browse.DoModal()); // the script has no answer: cancelled
        QCOMPARE(dialogs.Requests().size(), size_t{1});
        const FileDialogRequest& asked = dialogs.Requests()[0];
        QVERIFY(asked.open);
        QTEST(asked.folder, "folder");
        QTEST(asked.fileName, "proposed");
        QTEST(asked.nameFilters, "nameFilters");
        QCOMPARE(asked.defaultSuffix, QString());
        QCOMPARE(asked.mustExist, (flags & OFN_FILEMUSTEXIST) != 0);
        QTEST(asked.multiple, "multiple");
    }

    void browseFileAnswers() {
        ScriptedFileDialogService dialogs;
        dialogs.Answer({"/work/new/App.dll"});
        dialogs.Cancel();
        CVXBrowseFile browse(true, "*.*", "*.*", 0x1806, "All Files (*.*)|**|");
        QCOMPARE(browse.DoModal(), std::optional<QString>("/work/new/App.dll"));
        QCOMPARE(browse.GetPathName(), QString("/work/new/App.dll"));
        QCOMPARE(browse.DoModal(), std::nullopt);
        QCOMPARE(browse.GetPathName(), QString());
    }

    void contextMenu() {
        ScriptedContextMenuService menus;
        menus.Choose(32770);
        CVXMenu menu;
        menu.AppendMenu(32769, "&Delete\tDel")
            .AppendMenu(32768, "&Patch Existing File\tIns")
            .AppendMenu(32770, "Insert &New File");
        QVERIFY(menu.RemoveMenu(32769));
        QVERIFY(!menu.RemoveMenu(32769));
        QWidget owner;
        QCOMPARE(menu.TrackPopupMenu({40, 50}, &owner), 32770u);
        QCOMPARE(menu.TrackPopupMenu({40, 50}, &owner), 0u); // dismissed
        const ContextMenuRequest& shown = menus.Shown()[0];
        QCOMPARE(shown.items.size(), size_t{2});
        QCOMPARE(shown.items[0].id, 32768u);
        QCOMPARE(shown.items[1].text, QString("Insert &New File"));
        QCOMPARE(shown.screen, QPoint(40, 50));
        QCOMPARE(shown.owner, &owner);
    }

    void qtMessageBox_data() {
        QTest::addColumn<uint32_t>("style");
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("press");
        QTest::addColumn<int>("answer");
        QTest::newRow("error, OK") << (MB_OK | MB_ICONERROR) << int(QMessageBox::Ok)
                                   << int(QMessageBox::Critical) << int(QMessageBox::Ok) << IDOK;
        QTest::newRow("question, yes or no")
            << (MB_YESNO | MB_ICONQUESTION) << int(QMessageBox::Yes | QMessageBox::No)
            << int(QMessageBox::Question) << int(QMessageBox::No) << IDNO;
        QTest::newRow("OK or cancel")
            << uint32_t{MB_OKCANCEL} << int(QMessageBox::Ok | QMessageBox::Cancel)
            << int(QMessageBox::NoIcon) << int(QMessageBox::Cancel) << IDCANCEL;
    }

    void qtMessageBox() {
        QFETCH(uint32_t, style);
        QFETCH(int, press);
        QApplication::setApplicationDisplayName("VX IDE");
        int seenButtons = 0;
        int seenIcon = -1;
        QString seenCaption;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                seenButtons = int(box->standardButtons());
                seenIcon = int(box->icon());
                seenCaption = box->windowTitle();
                box->button(QMessageBox::StandardButton(press))->click();
            }
        });
        poll.start(10);
        CQtMessageService service;
        QTEST(service.Show({u"Unable to locate the original setup package.",
                            {},
                            style,
                            MessageOwner::Application}),
              "answer");
        QTEST(seenButtons, "buttons");
        QTEST(seenIcon, "icon");
        QCOMPARE(seenCaption, QString("VX IDE"));
    }
};

QTEST_MAIN(ServicesTest)
#include "services_test.moc"
