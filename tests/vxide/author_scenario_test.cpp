// The page driven as an author drives it, in vxide over a copy of the demo project: an original
// file selected, added with Ins through the Select File dialog and marked for deletion, a new
// file inserted from the context menu and given its folder and features; then the project is
// read back by vxpatch, and the original package is as it was.

#include "apps/vxide/main_window.h"
#include "apps/vxide/page_registry.h"
#include "ide/framework/scripted_message_service.h"
#include "ide/framework/widgets/scripted_context_menu_service.h"
#include "ide/framework/widgets/scripted_file_dialog_service.h"
#include "tests/support/scratch_folder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <functional>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

constexpr UINT kInsertNewFile = 32770;

// The first index labelled `label` below `parent`, depth first.
QModelIndex Find(const QAbstractItemModel* model, const QString& label,
                 const QModelIndex& parent = {}) {
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex child = model->index(row, 0, parent);
        if (child.data().toString() == label) {
            return child;
        }
        if (const QModelIndex below = Find(model, label, child); below.isValid()) {
            return below;
        }
    }
    return {};
}

template <typename T> T* Control(QWidget* page, int id) {
    // The right pane holds each form once; the visible one is the one shown.
    for (T* widget : page->findChildren<T*>(u"id_%1"_s.arg(id))) {
        if (widget->isVisibleTo(page)) {
            return widget;
        }
    }
    return nullptr;
}

} // namespace

class AuthorScenarioTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;

private slots:
    void initTestCase() {
        qputenv("XDG_STATE_HOME", m_home.filePath(u"state"_s).toUtf8());
        qputenv("XDG_CONFIG_HOME", m_home.filePath(u"config"_s).toUtf8());
    }

    void anAuthorPatchesTheDemo() {
        QTemporaryDir work;
        for (const QString& file : {u"OrvaneNotes-1.1.vxp"_s, u"OrvaneNotes.msi"_s}) {
            QVERIFY(QFile::copy(QStringLiteral(VX_DEMO_DIR "/") + file, work.filePath(file)));
        }
        const QString project = work.filePath(u"OrvaneNotes-1.1.vxp"_s);
        const QString package = work.filePath(u"OrvaneNotes.msi"_s);
        const auto packageBytes = vx::testing::FileBytes(package.toStdString());
        QDir(work.path()).mkpath(u"update"_s);
        const QString plugin = work.filePath(u"update/plugin.dll"_s);
        QFile(plugin).open(QIODevice::WriteOnly);

        ScriptedMessageService messages;
        ide::MainWindow window(ide::ReadPageRegistrations(QStringLiteral(VX_PAGE_DIR), nullptr));
        window.show();
        QVERIFY(window.OpenProject(project));
        QWidget* page = window.PageWindow(window.ActivePage());
        auto* original = page->findChild<QTreeView*>(u"id_59648"_s);
        auto* patch = page->findChild<QTreeView*>(u"id_59664"_s);
        QVERIFY(original && patch);

        // The author looks at an original file: its form shows its key.
        original->setFocus();
        original->setCurrentIndex(Find(original->model(), u"guide.txt"_s));
        QCOMPARE(Control<QLabel>(page, 203)->text(), u"Guide"_s);

        // Ins on the Files To Patch tree: the Select File dialog, its Guide row picked.
        patch->setFocus();
        patch->setCurrentIndex(patch->model()->index(0, 0));
        QTimer::singleShot(0, [] {
            QWidget* dialog = QApplication::activeModalWidget();
            QVERIFY(dialog);
            auto* list = dialog->findChild<QTreeView*>(u"id_214"_s);
            const QModelIndexList guide =
                list->model()->match(list->model()->index(0, 1), Qt::DisplayRole, u"Guide"_s);
            QCOMPARE(guide.size(), 1);
            list->selectionModel()->select(guide[0], QItemSelectionModel::ClearAndSelect |
                                                         QItemSelectionModel::Rows);
            dialog->findChild<QAbstractButton*>(u"id_1"_s)->click();
        });
        QTest::keyClick(patch, Qt::Key_Insert);
        const QModelIndex guide = Find(patch->model(), u"guide.txt"_s);
        QVERIFY(guide.isValid());

        // Marked for deletion in its form: the update controls go grey.
        patch->setCurrentIndex(guide);
        Control<QAbstractButton>(page, 215)->click();
        QVERIFY(!Control<QWidget>(page, 233)->isEnabled());

        // A new file from the context menu, into the docs folder and the Documentation feature.
        ScriptedContextMenuService menus;
        ScriptedFileDialogService dialogs;
        menus.Choose(kInsertNewFile);
        dialogs.Answer({plugin});
        const QRect root = patch->visualRect(patch->model()->index(0, 0));
        QTest::mouseClick(patch->viewport(), Qt::RightButton, {}, root.center());
        const QModelIndex added = Find(patch->model(), u"plugin.dll"_s);
        QVERIFY(added.isValid());
        patch->setCurrentIndex(added);
        auto* destination = Control<QComboBox>(page, 218);
        destination->setFocus();
        QTest::keyClicks(destination, u"DocDir"_s); // a drop-down list takes typed keys
        QCOMPARE(destination->currentText(), u"DocDir"_s);
        QVERIFY(Control<QLabel>(page, 219)->text().contains(u"docs"_s));
        auto* features = Control<QTreeView>(page, 223);
        features->setFocus();
        features->setCurrentIndex(Find(features->model(), u"Orvane Notes"_s)); // by title
        QTest::keyClick(features, Qt::Key_Space); // off: a new file starts in the default feature
        features->setCurrentIndex(Find(features->model(), u"Documentation and samples"_s));
        QTest::keyClick(features, Qt::Key_Space);
        window.CloseProject();

        QProcess vxpatch;
        vxpatch.start(QStringLiteral(VX_VXPATCH), {u"list"_s, project});
        QVERIFY(vxpatch.waitForFinished(30000));
        const QStringList lines = QString::fromUtf8(vxpatch.readAllStandardOutput()).split(u'\n');
        QVERIFY(lines.contains(u"Guide\t1\t\t0\t0\t0\t\t"_s));
        QVERIFY(
            lines.contains(u"plugin.dll\t2\t"_s + plugin + u"\t0\t0\t0\tDocumentation\tDocDir"_s));
        QCOMPARE(lines.size(), 7); // the demo's four entries, the two new ones, the final line end
        QVERIFY(messages.Shown().empty());
        QVERIFY(vx::testing::FileBytes(package.toStdString()) == packageBytes);
    }
};

QTEST_MAIN(AuthorScenarioTest)
#include "author_scenario_test.moc"
