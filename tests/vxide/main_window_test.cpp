// vxide's main window in this process, hosting the built page: a change made to the open
// project by another program (vxpatch) reaches the Files To Patch tree when the window is
// activated again or the page is shown again, and a project file deleted meanwhile is written
// again and the author told.

#include "apps/vxide/main_window.h"
#include "apps/vxide/page_registry.h"
#include "ide/automation/project_factory.h"
#include "ide/framework/scripted_message_service.h"
#include "platform/com/com_exception.h"

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

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
        {
            ComPtr<IProject> project;
            ThrowIfFailed(
                CreateProject(path.toStdU16String(), kPatchProjectType,
                              QStringLiteral(VX_FIXTURE_DIR "/patchrules.msi").toStdU16String(), {},
                              project.ReleaseAndGetAddressOf()));
        }
        QCOMPARE(QProcess::execute(QStringLiteral(VX_VXPATCH), {u"add"_s, path, u"server.dll"_s}),
                 0);

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
            QCOMPARE(
                QProcess::execute(QStringLiteral(VX_VXPATCH), {u"add"_s, path, u"plain.exe"_s}), 0);
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
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
