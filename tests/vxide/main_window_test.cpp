// vxide's main window in this process, hosting the built page: a change made to the open
// project by another program (vxpatch) reaches the Files To Patch tree when the window is
// activated again or the page is shown again, and a project file deleted meanwhile is written
// again and the author told. The Scan Updated Build command lists a changed build's files and
// adds exactly the checked ones.

#include "apps/vxide/main_window.h"
#include "apps/vxide/page_registry.h"
#include "ide/framework/scripted_message_service.h"
#include "ide/framework/widgets/scripted_file_dialog_service.h"

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

#include <filesystem>
#include <functional>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

constexpr char kPatchTreeName[] = "id_59664"; // the lower left pane

QStringList Entries(QWidget* page) {
    auto* tree = page ? page->findChild<QTreeView*>(QString::fromLatin1(kPatchTreeName)) : nullptr;
    QStringList labels;
    if (!tree) {
        return {u"(no Files To Patch tree)"_s};
    }
    const QModelIndex root = tree->model()->index(0, 0);
    for (int row = 0; row < tree->model()->rowCount(root); ++row) {
        labels << tree->model()->index(row, 0, root).data().toString();
    }
    return labels;
}

// Calls `act` with the top-level window named `name` once it is shown (inside its exec); the
// answer stops the polling when the window never came.
std::unique_ptr<QTimer> WhenShown(const QString& name, std::function<void(QWidget*)> act) {
    auto timer = std::make_unique<QTimer>();
    timer->setInterval(10);
    QObject::connect(timer.get(), &QTimer::timeout, [timer = timer.get(), name, act] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == name && widget->isVisible()) {
                timer->stop();
                act(widget);
                return;
            }
        }
    });
    timer->start();
    return timer;
}

void Flip(QTreeWidgetItem* row) {
    row->setCheckState(0, row->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

QStringList Sorted(QStringList list) {
    list.sort();
    return list;
}

int Vxpatch(const QStringList& arguments) {
    return QProcess::execute(QStringLiteral(VX_VXPATCH), arguments);
}

void Activate(QWidget* window) {
    QApplication::setActiveWindow(window);
    QVERIFY(QTest::qWaitForWindowActive(window));
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;

private slots:
    void initTestCase() {
        qputenv("XDG_STATE_HOME", m_home.filePath(u"state"_s).toUtf8());
        qputenv("XDG_CONFIG_HOME", m_home.filePath(u"config"_s).toUtf8());
        QCoreApplication::setOrganizationName(u"vxtest"_s);
    }

    void outsideChangesReachTheShownPage_data() {
        QTest::addColumn<bool>("deleteFile");  // else vxpatch adds an entry
        QTest::addColumn<bool>("switchPages"); // else the window is activated again
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("notice");
        const QStringList added{u"server.dll"_s, u"plain.exe"_s};
        QTest::newRow("added, window activated again") << false << false << added << QString();
        QTest::newRow("added, page shown again") << false << true << added << QString();
        QTest::newRow("deleted, window activated again")
            << true << false << QStringList{u"server.dll"_s} << u"was deleted"_s;
    }
    void outsideChangesReachTheShownPage() {
        QFETCH(bool, deleteFile);
        QFETCH(bool, switchPages);
        QFETCH(QStringList, entries);
        QFETCH(QString, notice);
        ScriptedMessageService messages;
        QTemporaryDir dir;
        const QString path = dir.filePath(u"p.vxp"_s);
        QCOMPARE(Vxpatch({u"new"_s, path, u"--original"_s,
                          QStringLiteral(VX_FIXTURE_DIR "/patchrules.msi")}),
                 0);
        QCOMPARE(Vxpatch({u"add"_s, path, u"server.dll"_s}), 0);

        QWidget elsewhere; // another program's window
        ide::MainWindow window(ide::ReadPageRegistrations(QStringLiteral(VX_PAGE_DIR), nullptr));
        window.show();
        QVERIFY(window.OpenProject(path));
        const int page = window.ActivePage();
        QCOMPARE(window.PageName(page), u"Application Files"_s);
        Activate(&window);
        QCOMPARE(Entries(window.PageWindow(page)), QStringList{u"server.dll"_s});

        elsewhere.show();
        Activate(&elsewhere);
        if (deleteFile) {
            QVERIFY(QFile::remove(path));
        } else {
            QCOMPARE(Vxpatch({u"add"_s, path, u"plain.exe"_s}), 0);
        }
        if (switchPages) {
            window.ActivatePage(0);
            window.ActivatePage(page);
        } else {
            Activate(&window);
        }
        QTRY_COMPARE(Entries(window.PageWindow(page)), entries);
        QVERIFY(QFile::exists(path));
        QCOMPARE(messages.Shown().size(), size_t{notice.isEmpty() ? 0u : 1u});
        if (!notice.isEmpty()) {
            QVERIFY(QString::fromStdU16String(messages.Shown()[0].text).contains(notice));
        }
        window.CloseProject();
    }

    void scanUpdatedBuildAddsTheCheckedFiles_data() {
        QTest::addColumn<QStringList>("flip"); // rows whose check box the author clicks
        QTest::addColumn<bool>("accept");
        QTest::addColumn<QStringList>("entries"); // keys, as vxpatch list gives them
        QTest::addColumn<QStringList>("labels");  // the Files To Patch tree
        QTest::newRow("one unchecked")
            << QStringList{u"Readme"_s} << true << QStringList{u"DataBin"_s, u"two.txt"_s}
            << QStringList{u"data.bin"_s, u"two.txt"_s};
        QTest::newRow("a missing file checked")
            << QStringList{u"Config"_s} << true
            << QStringList{u"DataBin"_s, u"Readme"_s, u"Config"_s, u"two.txt"_s}
            << QStringList{u"config.ini"_s, u"data.bin"_s, u"readme.txt"_s, u"two.txt"_s};
        QTest::newRow("cancelled")
            << QStringList{u"Readme"_s} << false << QStringList{} << QStringList{};
    }
    void scanUpdatedBuildAddsTheCheckedFiles() {
        QFETCH(QStringList, flip);
        QFETCH(bool, accept);
        QFETCH(QStringList, entries);
        QFETCH(QStringList, labels);
        namespace fs = std::filesystem;
        ScriptedMessageService messages;
        ScriptedFileDialogService dialogs;
        QTemporaryDir dir;
        const fs::path root = dir.path().toStdString();
        fs::copy(VX_FIXTURE_DIR "/scan", root / "pkg", fs::copy_options::recursive);
        const QString project = dir.filePath(u"p.vxp"_s);
        const QString out = dir.filePath(u"out"_s);
        QCOMPARE(Vxpatch({u"extract-all"_s, dir.filePath(u"pkg/scan.msi"_s), out}), 0);
        QCOMPARE(Vxpatch({u"new"_s, project, u"--original"_s, dir.filePath(u"pkg/scan.msi"_s)}), 0);
        // A new build: content, size, a file gone and one new.
        const fs::path app = root / "out" / "Scan App";
        {
            QFile readme(QString::fromStdString((app / "readme.txt").string()));
            QVERIFY(readme.open(QIODevice::ReadWrite));
            readme.seek(5);
            readme.write("#");
            QFile data(QString::fromStdString((app / "bin/data.bin").string()));
            QVERIFY(data.open(QIODevice::Append));
            data.write("!");
            QFile two(QString::fromStdString((app / "docs/two.txt").string()));
            QVERIFY(two.open(QIODevice::WriteOnly));
            two.write("two");
        }
        QVERIFY(fs::remove(app / "config.ini"));

        ide::MainWindow window(ide::ReadPageRegistrations(QStringLiteral(VX_PAGE_DIR), nullptr));
        window.show();
        auto* scan = window.findChild<QAction*>(u"ScanUpdatedBuild"_s);
        QVERIFY(scan);
        QVERIFY(!scan->isEnabled());
        QVERIFY(window.OpenProject(project));
        QVERIFY(scan->isEnabled());
        const int page = window.ActivePage();

        QStringList rows;
        dialogs.Answer({out});
        const auto poll = WhenShown(u"UpdateScanDialog"_s, [&](QWidget* dialog) {
            auto* files = dialog->findChild<QTreeWidget*>(u"ScanFiles"_s);
            for (int i = 0; files && i < files->topLevelItemCount(); ++i) {
                QTreeWidgetItem* row = files->topLevelItem(i);
                rows << u"%1 %2 %3"_s.arg(row->text(0), row->text(1),
                                          row->checkState(0) == Qt::Checked ? u"x"_s : u"-"_s);
                if (flip.contains(row->text(1))) {
                    Flip(row);
                }
            }
            dialog->findChild<QDialogButtonBox*>()
                ->button(accept ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)
                ->click();
        });
        scan->trigger();
        QCOMPARE(rows, (QStringList{u"changed DataBin x"_s, u"changed Readme x"_s,
                                    u"missing Config -"_s, u"new Scan App/docs/two.txt x"_s}));
        QCOMPARE(dialogs.Requests().size(), size_t{1});
        QVERIFY(dialogs.Requests()[0].directory);

        QProcess list;
        list.start(QStringLiteral(VX_VXPATCH), {u"list"_s, project});
        QVERIFY(list.waitForFinished());
        QStringList keys;
        for (const QString& line : QString::fromUtf8(list.readAllStandardOutput()).split(u'\n')) {
            if (!line.isEmpty()) {
                keys << line.section(u'\t', 0, 0);
            }
        }
        QCOMPARE(keys, entries);
        QCOMPARE(Sorted(Entries(window.PageWindow(page))), labels);
        QCOMPARE(messages.Shown().size(), size_t{accept ? 1u : 0u});
        if (accept) {
            QVERIFY(QString::fromStdU16String(messages.Shown()[0].text)
                        .startsWith(u"%1 entries added"_s.arg(entries.size())));
        }
        window.CloseProject();
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
