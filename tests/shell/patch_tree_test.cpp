// The Files To Patch tree in a hosted page: what Refresh lists, the context menu by each way of
// asking for it, the Ins and Del keys, drops, new files, the node images the forms set, and
// failures of the keys' actions reported.

#include "VxWsApplicationFilesEP/original/drag_drop_app_file.h"
#include "VxWsApplicationFilesEP/patchlist/ui/patch_files_tree.h"
#include "VxWsApplicationFilesEP/patchlist/ui/patch_tree_menu.h"
#include "VxWsApplicationFilesEP/shell/application_files_app.h"
#include "VxWsApplicationFilesEP/shell/application_files_ctrl.h"
#include "ide/automation/project_store.h"
#include "ide/framework/scripted_message_service.h"
#include "ide/framework/widgets/drag_mime.h"
#include "ide/framework/widgets/scripted_context_menu_service.h"
#include "ide/framework/widgets/scripted_file_dialog_service.h"
#include "ide/framework/widgets/scripted_progress_service.h"
#include "shell/page_harness.h"
#include "tests/framework/drag_records.h"

#include <QApplication>
#include <QMimeData>
#include <QTimer>

using namespace vx;
using namespace vx::testing;

namespace {

struct PatchPage : PageHarness {
    CPatchFilesTree* tree = nullptr;

    explicit PatchPage(const std::vector<EntryRow>& entries, const char* original = "basic.msi") {
        MakeProject(Fixture(original), entries);
        Open(CVxWsApplicationFilesEPCtrl::ClassFactory());
        tree = view->findChild<CPatchFilesTree*>();
    }

    HTREEITEM Root() const { return tree->GetRootItem(); }
    HTREEITEM Child(int n) const {
        HTREEITEM item = tree->GetChildItem(Root());
        while (item && n-- > 0) {
            item = tree->GetNextSiblingItem(item);
        }
        return item;
    }
    QStringList Labels() const {
        QStringList labels;
        for (HTREEITEM item = tree->GetChildItem(Root()); item;
             item = tree->GetNextSiblingItem(item)) {
            labels << tree->GetItemText(item);
        }
        return labels;
    }
    QList<int> Images() const {
        QList<int> images;
        for (HTREEITEM item = tree->GetChildItem(Root()); item;
             item = tree->GetNextSiblingItem(item)) {
            int image = -1;
            int selected = -2;
            tree->GetItemImage(item, image, selected);
            images << (image == selected ? image : -1);
        }
        return images;
    }
    QPoint CentreOf(HTREEITEM item) const {
        QRect label;
        tree->GetItemRect(item, &label, true);
        return label.center();
    }
};

std::unique_ptr<QMimeData> FileRecord(std::initializer_list<const char16_t*> keys) {
    CDragDropAppFile record;
    for (const char16_t* key : keys) {
        record.AddKey(std::u16string(key));
    }
    return SaveDragRecord(record);
}

// Drags `mime` over the tree's root and drops it; answers whether the tree took the drag.
bool DropOnRoot(PatchPage& page, const QMimeData* mime) {
    QWidget* viewport = page.tree->viewport();
    const QPointF at = page.CentreOf(page.Root());
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, mime, Qt::LeftButton, {});
    QCoreApplication::sendEvent(viewport, &enter);
    QDragMoveEvent move(at.toPoint(), Qt::CopyAction, mime, Qt::LeftButton, {});
    QCoreApplication::sendEvent(viewport, &move);
    if (!move.isAccepted() || move.dropAction() != Qt::CopyAction) {
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(viewport, &leave);
        return false;
    }
    QDropEvent drop(at, Qt::CopyAction, mime, Qt::LeftButton, {});
    QCoreApplication::sendEvent(viewport, &drop);
    return true;
}

const std::vector<EntryRow> kEntries = {
    {u"AppExe", kPatchTypeDelete, u"", u""},
    {u"Gone", kPatchTypeUpdate, u"", u""},
    {u"Extra", kPatchTypeNewFile, u"/srv/new/extra.dll", u"INSTALLDIR"},
    {u"Hidden", kPatchTypeNewFile, u"/srv/new/hidden.dll", u"TARGETDIR"},
};

} // namespace

class PatchTreeTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_state;

private slots:
    void initTestCase() {
        qputenv("XDG_STATE_HOME", m_state.path().toUtf8());
        CDragDropAppFile::RegisterClass();
        RegisterDragDropClass(OtherRecord::kClass);
        CVxWsApplicationFilesEPApp::Instance().InitInstance();
    }

    // Entries in the project's order under a selected, expanded root; TARGETDIR's own new files
    // are left out, a key the package lacks is named so, each type has its image.
    void refreshListsEntries() {
        PatchPage page(kEntries);
        QCOMPARE(page.tree->GetItemText(page.Root()), QString("Files To Patch"));
        QCOMPARE(page.Labels(),
                 (QStringList{"app.exe", "File Not Found In Original Setup", "extra.dll"}));
        QCOMPARE(page.Images(),
                 (QList<int>{kPatchImageDeleted, kPatchImagePatched, kPatchImageNewFile}));
        QCOMPARE(page.tree->GetSelectedItem(), page.Root());
        QCOMPARE(page.tree->GetCurrentNode(), page.Root());
        QVERIFY(page.tree->IsExpanded(page.Root()));
        QVERIFY(!page.tree->EditLabel(page.Child(0)));
    }

    // The menu by right click, by the Menu key and by a keyboard's context-menu request: the
    // root's has no Delete, an entry's has all three, empty space shows none and leaves no
    // current node.
    void contextMenu_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("node"); // -1 root, -2 empty space, else the entry's index
        QTest::addColumn<QList<uint>>("commands");
        const QList<uint> all{ID_DELETE_PATCH_FILE, ID_PATCH_EXISTING_FILE, ID_INSERT_NEW_FILE};
        const QList<uint> rootOnly{ID_PATCH_EXISTING_FILE, ID_INSERT_NEW_FILE};
        for (const char* how : {"right click", "menu key", "request"}) {
            QTest::addRow("%s on the root", how) << how << -1 << rootOnly;
            QTest::addRow("%s on an entry", how) << how << 1 << all;
        }
        QTest::addRow("right click on empty space") << "right click" << -2 << QList<uint>{};
    }
    void contextMenu() {
        QFETCH(QString, how);
        QFETCH(int, node);
        QFETCH(QList<uint>, commands);
        PatchPage page(kEntries);
        ScriptedContextMenuService menus;
        HTREEITEM item = node == -1 ? page.Root() : node >= 0 ? page.Child(node) : nullptr;
        const QPoint at =
            item ? page.CentreOf(item) : QPoint(5, page.tree->viewport()->height() - 5);
        if (how == "right click") {
            QTest::mouseClick(page.tree->viewport(), Qt::RightButton, {}, at);
        } else if (how == "menu key") {
            page.tree->SelectItem(item);
            QTest::keyClick(page.tree, Qt::Key_Menu);
        } else {
            QContextMenuEvent request(QContextMenuEvent::Keyboard, at,
                                      page.tree->viewport()->mapToGlobal(at));
            QCoreApplication::sendEvent(page.tree->viewport(), &request);
        }
        QCOMPARE(menus.Shown().size(), commands.isEmpty() ? size_t{0} : size_t{1});
        QCOMPARE(page.tree->GetCurrentNode(), item);
        if (!commands.isEmpty()) {
            QList<uint> shown;
            for (const MenuItem& entry : menus.Shown()[0].items) {
                shown << entry.id;
            }
            QCOMPARE(shown, commands);
            QCOMPARE(menus.Shown()[0].owner, page.tree);
        }
    }

    // Delete, from the menu or the key, takes the entry from project and tree without a
    // question; on the root it does nothing. Ins opens the Select File dialog and removes
    // nothing.
    void deleteAndInsertKeys() {
        PatchPage page(kEntries);
        ScriptedMessageService boxes;
        page.tree->SelectItem(page.Root());
        QTest::keyClick(page.tree, Qt::Key_Delete);
        QCOMPARE(page.Labels().size(), 3);

        page.tree->SelectItem(page.Child(1));
        QTest::keyClick(page.tree, Qt::Key_Delete);
        QCOMPARE(page.Labels(), (QStringList{"app.exe", "extra.dll"}));

        ScriptedContextMenuService menus;
        menus.Choose(ID_DELETE_PATCH_FILE);
        QTest::mouseClick(page.tree->viewport(), Qt::RightButton, {}, page.CentreOf(page.Child(0)));
        QCOMPARE(page.Labels(), QStringList{"extra.dll"});
        QCOMPARE(page.Keys(), (QStringList{"Extra", "Hidden"}));

        QString dialogTitle;
        QTimer::singleShot(0, [&] {
            if (QWidget* dialog = QApplication::activeModalWidget()) {
                dialogTitle = dialog->windowTitle();
                dialog->close();
            }
        });
        page.tree->SelectItem(page.Child(0));
        QTest::keyClick(page.tree, Qt::Key_Insert);
        QCOMPARE(dialogTitle, QString("Select File"));
        QCOMPARE(page.Keys(), (QStringList{"Extra", "Hidden"}));
        QVERIFY(boxes.Shown().empty());
    }

    // A drop of files adds them in the record's order as one commit, heard once; a key already
    // in the list is told once however often it comes, and the others are still added. Other
    // records are refused.
    void dropFiles() {
        PatchPage page(kEntries);
        ScriptedMessageService boxes;
        const auto sink = Listen(page.project.Get());

        OtherRecord other;
        QVERIFY(!DropOnRoot(page, SaveDragRecord(other).get()));
        const auto files = FileRecord({u"CoreDll", u"AppExe", u"Readme", u"AppExe"});
        QVERIFY(DropOnRoot(page, files.get()));
        QCOMPARE(page.Keys(),
                 (QStringList{"AppExe", "Gone", "Extra", "Hidden", "CoreDll", "Readme"}));
        QCOMPARE(page.Labels(), (QStringList{"app.exe", "File Not Found In Original Setup",
                                             "extra.dll", "core.dll", "readme.txt"}));
        QCOMPARE(boxes.Shown().size(), size_t{1});
        QCOMPARE(QString::fromStdU16String(boxes.Shown()[0].text),
                 QString("You cannot add the same file to the Patch Files list."));
        QCOMPARE(sink->events, std::vector<std::u16string>{kSeveralEntries});
        QCOMPARE(page.tree->GetSelectedItem(), HTREEITEM{});
        QVERIFY(page.tree->IsExpanded(page.Root()));

        // Cancelled at its third step, a drop keeps (and commits) the two files added before.
        ScriptedProgressService progress;
        progress.CancelAt(3);
        QVERIFY(DropOnRoot(page, FileRecord({u"PluginDll", u"Guide", u"AtRoot", u"Other"}).get()));
        QCOMPARE(progress.Titles(), std::vector<QString>{"Adding files to the patch"});
        QCOMPARE(page.Keys().mid(6), (QStringList{"PluginDll", "Guide"}));
        QCOMPARE(sink->events, std::vector<std::u16string>(2, kSeveralEntries));
    }

    // Insert New File: the chosen file under a key of its name, into INSTALLDIR with the first
    // feature; a cancelled dialog adds nothing.
    void insertNewFile() {
        PatchPage page({});
        ScriptedFileDialogService dialogs;
        dialogs.Cancel();
        page.tree->OnCommand(ID_INSERT_NEW_FILE);
        QCOMPARE(page.Keys(), QStringList{});

        dialogs.Answer({"/srv/build/core.dll"});
        page.tree->OnCommand(ID_INSERT_NEW_FILE);
        QCOMPARE(dialogs.Requests().back().nameFilters, QStringList{"All Files (*)"});
        QCOMPARE(page.Labels(), QStringList{"core.dll"});
        QCOMPARE(page.Images(), QList<int>{kPatchImageNewFile});
        const PatchEntry row = ReadPatchEntry(Entry(page.Patch().Get(), u"core.dll").Get());
        QCOMPARE(row.type, kPatchTypeNewFile);
        QCOMPARE(QString::fromStdU16String(row.newFilePath), QString("/srv/build/core.dll"));
        QCOMPARE(QString::fromStdU16String(row.destinationDir), QString("INSTALLDIR"));
    }

    // The forms' delete check turns the current node's image, and nothing without one.
    void markCurrentNode() {
        PatchPage page(kEntries);
        page.tree->SetCurrentNode(page.Child(1));
        page.tree->MarkCurrentNodeDeleted();
        QCOMPARE(page.Images()[1], kPatchImageDeleted);
        page.tree->MarkCurrentNodePatched();
        QCOMPARE(page.Images()[1], kPatchImagePatched);
        page.tree->SetCurrentNode(nullptr);
        page.tree->MarkCurrentNodeDeleted();
        QCOMPARE(page.Images()[1], kPatchImagePatched);
    }

    // What a key's action raises is reported by the tree (logged under its unit and line, or
    // shown when the author must see it), and the node stays.
    void keyFailuresReported() {
        PatchPage page(kEntries);
        ScriptedMessageService boxes;
        // Another program removes the entry first: the author is told, the node stays.
        ComPtr<IProjectItem> item;
        ThrowIfFailed(Entry(page.Patch().Get(), u"Gone").As(item));
        ThrowIfFailed(item->Delete());
        page.tree->SelectItem(page.Child(1)); // the form may say so already
        const size_t before = boxes.Shown().size();
        QTest::keyClick(page.tree, Qt::Key_Delete);
        QCOMPARE(boxes.Shown().size(), before + 1);
        QVERIFY(boxes.Shown().back().text.find(u"no longer in the project") !=
                std::u16string::npos);
        QCOMPARE(page.Labels().size(), 3);

        // The original package is gone: Ins cannot list it; logged, nothing added.
        ThrowIfFailed(page.Patch()->PutOriginalPackage(u"/nonexistent/original.msi"));
        QTest::keyClick(page.tree, Qt::Key_Insert);
        QVERIFY(LogText(m_state.path()).contains("VxWsApplicationFilesEP\\PatchFileTree 466: "));
        QCOMPARE(page.Labels().size(), 3);
    }
};

QTEST_MAIN(PatchTreeTest)
#include "patch_tree_test.moc"
