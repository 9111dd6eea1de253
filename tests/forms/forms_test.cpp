// The right pane's forms in the page as the IDE hosts it, on the rules fixture package: what
// each form shows, what each control writes to the patch entry and when, the Files To Patch
// node's image, the feature tree's check boxes, and a layout that shows every text whole.

#include "VxWsApplicationFilesEP/forms/feature_tree.h"
#include "VxWsApplicationFilesEP/forms/file_attributes_form.h"
#include "VxWsApplicationFilesEP/forms/file_attributes_org_form.h"
#include "VxWsApplicationFilesEP/forms/form_ids.h"
#include "VxWsApplicationFilesEP/forms/new_file_form.h"
#include "VxWsApplicationFilesEP/forms/register_forms.h"
#include "VxWsApplicationFilesEP/shell/application_files_app.h"
#include "VxWsApplicationFilesEP/shell/application_files_ctrl.h"
#include "VxWsApplicationFilesEP/shell/application_files_view.h"
#include "ide/automation/project_store.h"
#include "ide/framework/scripted_message_service.h"
#include "ide/framework/widgets/scripted_file_dialog_service.h"
#include "shell/page_harness.h"
#include "support/scratch_folder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

using namespace vx;
using namespace vx::testing;

namespace {

const QString kNotInOriginal = "File Not Found In Original Setup";
const QString kNoVersion = "Unable to determine File Version";

// The page on patchrules.msi with an entry of each kind: plain.exe updated, helper.dll deleted,
// added.dll new into INSTALLDIR, bare.dll new without a destination.
struct FormsPage : PageHarness {
    FormsPage() {
        MakeProject(Fixture("patchrules.msi"),
                    {{u"plain.exe", kPatchTypeUpdate, u"", u""},
                     {u"helper.dll", kPatchTypeDelete, u"", u""},
                     {u"added.dll", kPatchTypeNewFile, u"/srv/new/added.dll", u"INSTALLDIR"},
                     {u"bare.dll", kPatchTypeNewFile, u"/srv/new/bare.dll", u""}});
        Open(CVxWsApplicationFilesEPCtrl::ClassFactory());
        QApplication::setActiveWindow(&host);
    }

    CVxWsApplicationFilesEPView* View() const {
        return dynamic_cast<CVxWsApplicationFilesEPView*>(view);
    }
    template <class Form> Form* FormOf() const { return view->findChild<Form*>(); }

    ComPtr<IPatchFile> EntryOf(const std::u16string& key) const {
        return Entry(Patch().Get(), key);
    }
    PatchEntry Read(const std::u16string& key) const { return ReadPatchEntry(EntryOf(key).Get()); }

    // Selects the Files To Patch node labelled `label` (an entry's file name).
    void SelectEntry(const QString& label) const {
        QTreeView* patch = Tree(kPatchTreeId);
        patch->setCurrentIndex(Find(patch, label));
    }
    void SelectOriginal(const QString& label) const {
        QTreeView* original = Tree(kOriginalTreeId);
        original->setCurrentIndex(Find(original, label));
    }
    int CurrentNodeImage() const {
        CPatchFilesTree& tree = View()->PatchTree();
        int image = -1, selected = -1;
        tree.GetItemImage(tree.GetCurrentNode(), image, selected);
        return image;
    }
};

QString Text(const CVXAttributeForm* form, UINT id) {
    return form->GetDlgItemText(id);
}

HTREEITEM FindFeature(const CFeatureTree& tree, HTREEITEM parent, const QString& title) {
    for (HTREEITEM item = parent ? tree.GetChildItem(parent) : tree.GetRootItem(); item;
         item = tree.GetNextSiblingItem(item)) {
        if (tree.GetItemText(item) == title) {
            return item;
        }
        if (HTREEITEM below = FindFeature(tree, item, title)) {
            return below;
        }
    }
    return nullptr;
}

// A point of the item's row on its check box, or on its label.
QPoint FeaturePoint(const CFeatureTree& tree, HTREEITEM item, bool checkBox) {
    QRect row;
    tree.GetItemRect(item, &row, !checkBox);
    if (!checkBox) {
        return row.center();
    }
    QList<int> onBox;
    for (int x = row.left(); x <= row.right(); ++x) {
        UINT where = 0;
        if (tree.HitTest(QPoint(x, row.center().y()), &where) == item &&
            where == TVHT_ONITEMSTATEICON) {
            onBox << x;
        }
    }
    return onBox.isEmpty() ? QPoint() : QPoint(onBox[onBox.size() / 2], row.center().y());
}

} // namespace

class FormsTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_state;
    std::vector<uint8_t> m_package;

private slots:
    void initTestCase() {
        qputenv("XDG_STATE_HOME", m_state.path().toUtf8());
        CVxWsApplicationFilesEPApp::Instance().InitInstance();
        RegisterAttributeForms();
        m_package = FileBytes(Fixture("patchrules.msi"));
        QVERIFY(!m_package.empty());
    }

    // The forms only read the original package.
    void cleanupTestCase() { QVERIFY(FileBytes(Fixture("patchrules.msi")) == m_package); }

    // A deleted entry's form leaves only the COM and delete options enabled. The delete option
    // writes the type, switches the editing and turns the Files To Patch node's image, both
    // ways; the whole-file and COM options write their flags.
    void modifiedFileOptions() {
        FormsPage page;
        page.SelectEntry("helper.dll");
        auto* form = page.FormOf<CFileAttributesForm>();
        QCOMPARE(page.RightPane(), form);
        const struct {
            UINT click; // 0: as shown
            bool deleted, overwrite, extractCom;
        } steps[] = {
            {0, true, false, false},
            {IDC_DELETE_ON_PATCH, false, false, false},
            {IDC_OVERWRITE, false, true, false},
            {IDC_UPDATED_EXTRACT_COM, false, true, true},
            {IDC_DELETE_ON_PATCH, true, true, true},
            {IDC_UPDATED_EXTRACT_COM, true, true, false},
        };
        for (const auto& step : steps) {
            if (step.click) {
                form->GetDlgItemAs<QCheckBox>(step.click)->click();
            }
            const PatchEntry entry = page.Read(u"helper.dll");
            QCOMPARE(entry.type, step.deleted ? kPatchTypeDelete : kPatchTypeUpdate);
            QCOMPARE((QList<bool>{entry.overwrite, entry.extractCom}),
                     (QList<bool>{step.overwrite, step.extractCom}));
            QCOMPARE(form->GetBtnState(IDC_DELETE_ON_PATCH),
                     step.deleted ? BST_CHECKED : BST_UNCHECKED);
            for (UINT id : {IDC_UPDATED_FILE_PATH, IDC_BROWSE_UPDATED_FILE, IDC_OVERWRITE}) {
                QCOMPARE(form->GetDlgItem(id)->isEnabled(), !step.deleted);
            }
            QVERIFY(form->GetDlgItem(IDC_UPDATED_EXTRACT_COM)->isEnabled());
            QCOMPARE(page.CurrentNodeImage(),
                     step.deleted ? kPatchImageDeleted : kPatchImagePatched);
        }
    }

    // A typed path reaches the entry only when the edit commits (Enter, or the author moving to
    // another node), and the updated file's version follows it.
    void pathCommit_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<UINT>("edit");
        QTest::addColumn<bool>("byEnter");
        QTest::newRow("updated file, Enter") << "plain.exe" << IDC_UPDATED_FILE_PATH << true;
        QTest::newRow("updated file, other node") << "plain.exe" << IDC_UPDATED_FILE_PATH << false;
        QTest::newRow("new file, Enter") << "bare.dll" << IDC_NEW_FILE_PATH << true;
        QTest::newRow("new file, other node") << "bare.dll" << IDC_NEW_FILE_PATH << false;
    }
    void pathCommit() {
        QFETCH(QString, entry);
        QFETCH(UINT, edit);
        QFETCH(bool, byEnter);
        FormsPage page;
        QVERIFY(QTest::qWaitForWindowActive(&page.host));
        const std::u16string key = entry.toStdU16String();
        page.SelectEntry(entry);
        auto* form = qobject_cast<CVXAttributeForm*>(page.RightPane());
        QVERIFY(form);
        const bool modified = edit == IDC_UPDATED_FILE_PATH;
        if (modified) {
            QCOMPARE(Text(form, IDC_NEW_FILE_VERSION), kNoVersion);
        }
        const std::u16string stored = page.Read(key).newFilePath;
        QFile typed(QDir(page.temp.path()).filePath("typed.txt"));
        QVERIFY(typed.open(QIODevice::WriteOnly));
        QLineEdit* field = form->GetDlgItemAs<QLineEdit>(edit);
        field->setFocus();
        QTRY_VERIFY(field->hasFocus());
        field->clear();
        QTest::keyClicks(field, typed.fileName());
        QCOMPARE(page.Read(key).newFilePath, stored);
        if (byEnter) {
            QTest::keyClick(field, Qt::Key_Return);
        } else {
            page.SelectEntry(modified ? "helper.dll" : "added.dll");
        }
        QCOMPARE(page.Read(key).newFilePath, typed.fileName().toStdU16String());
        if (modified && byEnter) {
            QCOMPARE(Text(form, IDC_NEW_FILE_VERSION), QString()); // a file without a version
        }
    }

    // The file dialog opens where the stored path leads, its variables expanded, while the edit
    // shows the path as stored; a cancelled dialog changes nothing, a chosen file is written.
    void browse_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<UINT>("button");
        QTest::addColumn<UINT>("edit");
        QTest::newRow("updated file")
            << "plain.exe" << IDC_BROWSE_UPDATED_FILE << IDC_UPDATED_FILE_PATH;
        QTest::newRow("new file") << "bare.dll" << IDC_BROWSE_NEW_FILE << IDC_NEW_FILE_PATH;
    }
    void browse() {
        QFETCH(QString, entry);
        QFETCH(UINT, button);
        QFETCH(UINT, edit);
        FormsPage page;
        const std::u16string key = entry.toStdU16String();
        const QString builds = QDir(page.temp.path()).filePath("builds");
        QVERIFY(QDir().mkpath(builds));
        ThrowIfFailed(page.project->PutPathVariable(u"Builds", builds.toStdU16String().c_str()));
        ThrowIfFailed(page.EntryOf(key)->PutNewFilePath(u"${Builds}/app.dll"));
        page.SelectEntry(entry);
        auto* form = qobject_cast<CVXAttributeForm*>(page.RightPane());
        QCOMPARE(Text(form, edit), QString("${Builds}/app.dll"));
        const QString versionBefore = Text(form, IDC_NEW_FILE_VERSION);

        ScriptedFileDialogService dialogs;
        dialogs.Cancel();
        form->GetDlgItemAs<QToolButton>(button)->click();
        QCOMPARE(dialogs.Requests().size(), size_t{1});
        QCOMPARE(dialogs.Requests()[0].folder, builds);
        QCOMPARE(dialogs.Requests()[0].fileName, QString("app.dll"));
        QVERIFY(dialogs.Requests()[0].mustExist);
        QCOMPARE(Text(form, edit), QString("${Builds}/app.dll"));
        QCOMPARE(Text(form, IDC_NEW_FILE_VERSION), versionBefore);
        QCOMPARE(page.Read(key).newFilePath, u"${Builds}/app.dll");

        dialogs.Answer({builds + "/chosen.dll"});
        form->GetDlgItemAs<QToolButton>(button)->click();
        QCOMPARE(Text(form, edit), builds + "/chosen.dll");
        QCOMPARE(page.Read(key).newFilePath, (builds + "/chosen.dll").toStdU16String());
    }

    // What the package says about a file, shortened where it is a path; a key the package
    // lacks reads "File Not Found In Original Setup" and shows the key itself.
    void originalFileInformation_data() {
        QTest::addColumn<bool>("original");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("shown"); // 201, 203, 202, 207, 205, 206
        const QStringList helper{"helper.dll", "helper.dll", "[ProgramFilesFolder]\\Rules App\\bin",
                                 "1.0.0.0",    "CompServer", "server.dll"};
        const QStringList gone{kNotInOriginal, "gone.dll",     kNotInOriginal,
                               kNotInOriginal, kNotInOriginal, kNotInOriginal};
        QTest::newRow("modified form") << false << "helper.dll" << helper;
        QTest::newRow("original form") << true << "helper.dll" << helper;
        QTest::newRow("modified form, key not in package") << false << "gone.dll" << gone;
        QTest::newRow("original form, key not in package") << true << "gone.dll" << gone;
    }
    void originalFileInformation() {
        QFETCH(bool, original);
        QFETCH(QString, key);
        QFETCH(QStringList, shown);
        FormsPage page;
        CPatchAttributeForm* form =
            original ? static_cast<CPatchAttributeForm*>(page.FormOf<CFileAttributesOrgForm>())
                     : page.FormOf<CFileAttributesForm>();
        form->ShowFile(key.toStdU16String());
        QStringList texts;
        for (UINT id : {IDC_FILE_NAME, IDC_FILE_KEY, IDC_DESTINATION, IDC_FILE_VERSION,
                        IDC_COMPONENT_NAME, IDC_KEY_FILE}) {
            texts << Text(form, id);
        }
        QCOMPARE(texts, shown);
        if (original) {
            QCOMPARE(Text(form, IDC_FILE_LANGUAGE), key == "gone.dll" ? kNotInOriginal : "1033");
        }
    }

    // Shown again, the modified and original forms read everything afresh; the new-file form
    // keeps what it shows.
    void showingAgain_data() {
        QTest::addColumn<int>("slot");
        QTest::addColumn<QString>("node");
        QTest::addColumn<UINT>("field");
        QTest::addColumn<bool>("readAgain");
        QTest::newRow("modified file") << 0 << "plain.exe" << IDC_KEY_FILE << true;
        QTest::newRow("original file") << 1 << "server.dll" << IDC_FILE_LANGUAGE << true;
        QTest::newRow("new file") << 2 << "added.dll" << IDC_NEW_FILE_PATH << false;
    }
    void showingAgain() {
        QFETCH(int, slot);
        QFETCH(QString, node);
        QFETCH(UINT, field);
        QFETCH(bool, readAgain);
        FormsPage page;
        if (slot == 1) {
            page.SelectOriginal(node);
        } else {
            page.SelectEntry(node);
        }
        auto* form = qobject_cast<CVXAttributeForm*>(page.RightPane());
        const QString before = Text(form, field);
        QVERIFY(!before.isEmpty());
        form->SetDlgItemText(field, "stale");
        page.page->OnHideWorkspace();
        page.page->OnShowWorkspace();
        QVERIFY(form->isVisible());
        QCOMPARE(Text(form, field), readAgain ? before : QString("stale"));
    }

    // Check boxes of the feature tree write the entry's field, keys in ascending order, read
    // afresh before each change; a click beside a box changes nothing.
    void features_data() {
        QTest::addColumn<QString>("stored");     // the field when the form is shown
        QTest::addColumn<QString>("meanwhile");  // written behind the form before the clicks
        QTest::addColumn<QStringList>("clicks"); // "Main", "Extras"; "text:" clicks the label,
                                                 // "key:" presses space on the item
        QTest::addColumn<QString>("field");
        QTest::addColumn<QStringList>("checked");
        QTest::newRow("check one")
            << ""
            << "" << QStringList{"Main"} << "Main" << QStringList{"Main feature"};
        QTest::newRow("clear the last") << "Main"
                                        << "" << QStringList{"Main"} << "" << QStringList{};
        QTest::newRow("ascending order") << ""
                                         << "" << QStringList{"Main", "Extras"} << "Extras;Main"
                                         << QStringList{"Main feature", "Extras"};
        QTest::newRow("unknown key kept") << "Gone;Main"
                                          << "" << QStringList{"Extras"} << "Extras;Gone;Main"
                                          << QStringList{"Main feature", "Extras"};
        QTest::newRow("read afresh")
            << ""
            << "Gone" << QStringList{"Main"} << "Gone;Main" << QStringList{"Main feature"};
        QTest::newRow("label click") << ""
                                     << "" << QStringList{"text:Main"} << "" << QStringList{};
        QTest::newRow("space key")
            << ""
            << "" << QStringList{"key:Extras"} << "Extras" << QStringList{"Extras"};
    }
    void features() {
        QFETCH(QString, stored);
        QFETCH(QString, meanwhile);
        QFETCH(QStringList, clicks);
        FormsPage page;
        ThrowIfFailed(page.EntryOf(u"added.dll")->PutFeature(stored.toStdU16String().c_str()));
        page.SelectEntry("added.dll");
        auto* form = page.FormOf<CNewFileForm>();
        auto* tree = form->GetDlgItemAs<CFeatureTree>(IDC_FEATURES);
        QCOMPARE(tree->GetItemText(tree->GetRootItem()), QString("Main feature"));
        tree->expandAll();
        if (!meanwhile.isEmpty()) {
            ThrowIfFailed(
                page.EntryOf(u"added.dll")->PutFeature(meanwhile.toStdU16String().c_str()));
        }
        for (QString click : clicks) {
            const bool onText = click.startsWith("text:");
            const bool byKey = click.startsWith("key:");
            click = click.section(':', -1);
            HTREEITEM item = FindFeature(*tree, nullptr, click == "Main" ? "Main feature" : click);
            QVERIFY(item);
            if (byKey) {
                tree->SelectItem(item);
                QTest::keyClick(tree, Qt::Key_Space);
                continue;
            }
            const QPoint at = FeaturePoint(*tree, item, !onText);
            QVERIFY(!at.isNull());
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
        }
        QTEST(QString::fromStdU16String(page.Read(u"added.dll").feature), "field");
        QStringList checked;
        for (const char* title : {"Main feature", "Extras"}) {
            if (tree->GetCheck(FindFeature(*tree, nullptr, title))) {
                checked << title;
            }
        }
        QTEST(checked, "checked");
    }

    // Self-registration and COM extraction exclude each other; while either is on, the form
    // itself warns that the patch cannot be uninstalled, and no message box interrupts.
    void registrationOptions() {
        ScriptedMessageService messages;
        FormsPage page;
        page.SelectEntry("added.dll");
        auto* form = page.FormOf<CNewFileForm>();
        QWidget* note = form->GetDlgItem(IDC_REGISTRATION_NOTE);
        QVERIFY(note->findChild<QLabel*>("noteText")->text().contains("cannot uninstall"));
        const struct {
            UINT click;
            bool selfReg, extractCom;
        } steps[] = {
            {0, false, false},
            {IDC_SELF_REG, true, false},
            {IDC_NEW_EXTRACT_COM, false, true},
            {IDC_SELF_REG, true, false},
            {IDC_SELF_REG, false, false},
            {IDC_NEW_EXTRACT_COM, false, true},
            {IDC_NEW_EXTRACT_COM, false, false},
        };
        for (const auto& step : steps) {
            if (step.click) {
                form->GetDlgItemAs<QCheckBox>(step.click)->click();
            }
            const PatchEntry entry = page.Read(u"added.dll");
            QCOMPARE((QList<bool>{entry.selfReg, entry.extractCom,
                                  form->GetBtnState(IDC_SELF_REG) == BST_CHECKED,
                                  form->GetBtnState(IDC_NEW_EXTRACT_COM) == BST_CHECKED}),
                     (QList<bool>{step.selfReg, step.extractCom, step.selfReg, step.extractCom}));
            QCOMPARE(note->isVisibleTo(form), step.selfReg || step.extractCom);
        }
        QVERIFY(messages.Shown().empty());
    }

    // The destination list holds the package's folders sorted; choosing one writes it and shows
    // where it resolves. An entry without a destination selects nothing and leaves the folder.
    void destination() {
        FormsPage page;
        page.SelectEntry("added.dll");
        auto* form = page.FormOf<CNewFileForm>();
        auto* combo = form->GetDlgItemAs<QComboBox>(IDC_DESTINATION_DIR);
        QStringList keys;
        for (int i = 0; i < combo->count(); ++i) {
            keys << combo->itemText(i);
        }
        QCOMPARE(keys, (QStringList{"BinDir", "INSTALLDIR", "ProgramFilesFolder", "TARGETDIR"}));
        QCOMPARE(combo->currentText(), QString("INSTALLDIR"));
        QCOMPARE(Text(form, IDC_DESTINATION_PATH), QString("[ProgramFilesFolder]\\Rules App"));

        combo->setCurrentIndex(0);
        emit combo->activated(0);
        QCOMPARE(page.Read(u"added.dll").destinationDir, u"BinDir");
        QCOMPARE(Text(form, IDC_DESTINATION_PATH), QString("[ProgramFilesFolder]\\Rules App\\bin"));

        page.SelectEntry("bare.dll");
        QCOMPARE(combo->currentIndex(), -1);
        QCOMPARE(Text(form, IDC_DESTINATION_PATH), QString("[ProgramFilesFolder]\\Rules App\\bin"));
    }

    // Every text of every form is shown whole in the page's right pane, at the desktop's font
    // and (run again with QT_SCALE_FACTOR=2) at 200%. With VX_FORM_SCREENSHOTS naming a folder,
    // each form is saved there as a picture.
    void layoutShowsEveryText() {
        FormsPage page;
        ThrowIfFailed(page.EntryOf(u"helper.dll")->PutNewFilePath(u"/srv/builds/helper.dll"));
        const QString folder = qEnvironmentVariable("VX_FORM_SCREENSHOTS");
        const QString scale = qEnvironmentVariableIsSet("QT_SCALE_FACTOR")
                                  ? qEnvironmentVariable("QT_SCALE_FACTOR")
                                  : QString("1");
        const struct {
            const char* name;
            std::function<void()> select;
        } forms[] = {
            {"modified", [&] { page.SelectEntry("helper.dll"); }},
            {"original", [&] { page.SelectOriginal("vxselfreg.dll"); }},
            {"new",
             [&] {
                 page.SelectEntry("added.dll");
                 page.FormOf<CNewFileForm>()->GetDlgItemAs<QCheckBox>(IDC_SELF_REG)->click();
             }},
        };
        for (const auto& shown : forms) {
            shown.select();
            auto* form = qobject_cast<CVXAttributeForm*>(page.RightPane());
            QVERIFY(form);
            QApplication::processEvents();
            for (QWidget* widget : form->findChildren<QWidget*>()) {
                if (!widget->isVisibleTo(form)) {
                    continue;
                }
                // A widget whose text can be cut (not a tree) is given at least what it needs.
                const bool holdsText =
                    qobject_cast<QLabel*>(widget) || qobject_cast<QAbstractButton*>(widget) ||
                    qobject_cast<QLineEdit*>(widget) || qobject_cast<QComboBox*>(widget) ||
                    qobject_cast<QGroupBox*>(widget);
                if (!holdsText) {
                    continue;
                }
                QSize needed = widget->minimumSizeHint().expandedTo(widget->minimumSize());
                if (auto* label = qobject_cast<QLabel*>(widget); label && label->wordWrap()) {
                    needed = QSize(0, label->heightForWidth(label->width()));
                }
                const QString what = QString("%1 form, %2: %3x%4 for %5x%6")
                                         .arg(shown.name, widget->objectName())
                                         .arg(widget->width())
                                         .arg(widget->height())
                                         .arg(needed.width())
                                         .arg(needed.height());
                QVERIFY2(widget->width() >= needed.width() && widget->height() >= needed.height(),
                         qPrintable(what));
            }
            if (!folder.isEmpty()) {
                QVERIFY(form->grab().save(
                    QDir(folder).filePath(QString("%1_form_%2x.png").arg(shown.name, scale))));
            }
        }
    }
};

QTEST_MAIN(FormsTest)
#include "forms_test.moc"
