// The Select File dialog on hand-made packages: rows in the reverse of the File table's order
// with the first selected, the third column by the application services' option, the keys of
// the selected rows on OK and none otherwise, packages that cannot be read, and the package
// left as it was.

#include "VxWsApplicationFilesEP/patchlist/ui/dlg_original_setup_files.h"
#include "ide/framework/message_service.h"
#include "msi/storage/package_writer.h"
#include "platform/com/com_exception.h"
#include "support/project_helpers.h"
#include "support/scratch_folder.h"
#include "support/test_paths.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <string>

using namespace vx;
using namespace vx::msi::test;
using namespace vx::testing;

namespace {

// Files in the File table's order, which is not the order of their keys or names.
std::vector<uint8_t> SamplePackage(bool withFiles = true) {
    PackagePlan plan;
    plan.tables.push_back(DirectoryTable({{u"TARGETDIR", Cell{}, u"SourceDir"},
                                          {u"ProgramFilesFolder", u"TARGETDIR", u"."},
                                          {u"AppDir", u"ProgramFilesFolder", u"MYAPP|My App"},
                                          {u"BinDir", u"AppDir", u"bin"}}));
    plan.tables.push_back(
        ComponentTable({{u"CompApp", Cell{}, u"AppDir"}, {u"CompBin", Cell{}, u"BinDir"}}));
    plan.tables.push_back({u"Property",
                           {{u"Property", kKey72, 0}, {u"Value", kL255, 0}},
                           {{u"ProductName", u"Sample"}}});
    std::vector<std::vector<Cell>> files;
    if (withFiles) {
        files = {{u"readme", u"CompApp", u"README.TXT|Read Me.txt", 10, Cell{}, Cell{}, 0, 1},
                 {u"app.exe", u"CompApp", u"app.exe", 10, Cell{}, Cell{}, 0, 2},
                 {u"lib.dll", u"CompBin", u"LIBRAR~1.DLL|library.dll", 10, Cell{}, Cell{}, 0, 3}};
    }
    plan.tables.push_back(FileTable(files));
    return WritePackage(plan);
}

// Each row as "name|key|third column", top row first.
QStringList Rows(const CVXListCtrl& list) {
    QStringList rows;
    for (int row = 0; row < list.GetItemCount(); ++row) {
        rows << QStringList{list.GetItemText(row, 0), list.GetItemText(row, 1),
                            list.GetItemText(row, 2)}
                    .join('|');
    }
    return rows;
}

QList<int> SelectedRows(const CVXListCtrl& list) {
    QList<int> rows;
    for (int row = list.GetNextItem(-1, LVNI_SELECTED); row >= 0;
         row = list.GetNextItem(row, LVNI_SELECTED)) {
        rows << row;
    }
    return rows;
}

// A scratch folder with the sample package and the IDE's settings file, which holds the
// destination-column option unless `option` is null.
struct Setup {
    explicit Setup(const char* option, bool withFiles = true)
        : config("XDG_CONFIG_HOME", (folder / "config").string()) {
        package = folder / "setup.msi";
        WriteBytes(package, SamplePackage(withFiles));
        folder.Write("config/vxide/vxide.ini",
                     option ? std::string("[SelectFile]\nDestinationColumn=") + option + "\n"
                            : std::string("[Other]\n"));
    }
    std::u16string Package() const { return Utf8ToUtf16(package.string()); }

    ScratchFolder folder;
    ScopedEnv config;
    std::filesystem::path package;
};

// Runs the dialog modally and does `act` once it shows; `act` closes it.
int Run(CDlgOriginalSetupFiles& dialog, const std::u16string& path, IUnknown* project,
        const std::function<void(CDlgOriginalSetupFiles&)>& act) {
    bool visible = false;
    QTimer::singleShot(0, &dialog, [&] {
        visible = dialog.isVisible();
        act(dialog);
        if (dialog.isVisible()) {
            dialog.done(-1); // a check that failed inside `act` left it open
        }
    });
    const int result = dialog.DoModal(path, project);
    if (!visible) {
        QTest::qFail("the dialog was not shown", __FILE__, __LINE__);
    }
    return result;
}

void Click(CVXListCtrl& list, int row, Qt::KeyboardModifiers modifiers) {
    const QRect rect = list.visualRect(list.model()->index(row, 0));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, modifiers, rect.center());
}

} // namespace

Q_DECLARE_METATYPE(std::function<void(CDlgOriginalSetupFiles&)>)

class SelectFileDialogTest : public QObject {
    Q_OBJECT

private slots:
    // What the list shows, by the option's value: long names, keys as stored, destinations or
    // components, last file fetched on top and selected alone, name and key a third wide each.
    void rows_data() {
        QTest::addColumn<QByteArray>("option"); // null leaves it out of the settings file
        QTest::addColumn<bool>("withFiles");
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QStringList>("rows");
        const QStringList components{"library.dll|lib.dll|CompBin", "app.exe|app.exe|CompApp",
                                     "Read Me.txt|readme|CompApp"};
        QTest::newRow("option 1") << QByteArray("1") << true << "Destination"
                                  << QStringList{
                                         "library.dll|lib.dll|[ProgramFilesFolder]\\My App\\bin",
                                         "app.exe|app.exe|[ProgramFilesFolder]\\My App",
                                         "Read Me.txt|readme|[ProgramFilesFolder]\\My App"};
        QTest::newRow("option 0") << QByteArray("0") << true << "Component" << components;
        QTest::newRow("option 2") << QByteArray("2") << true << "Component" << components;
        QTest::newRow("no option") << QByteArray() << true << "Component" << components;
        QTest::newRow("no files") << QByteArray("1") << false << "Destination" << QStringList{};
    }

    void rows() {
        QFETCH(QByteArray, option);
        QFETCH(bool, withFiles);
        Setup setup(option.isNull() ? nullptr : option.constData(), withFiles);
        CDlgOriginalSetupFiles dialog;
        QCOMPARE(dialog.ShowsDestination(), option == "1");
        Run(dialog, setup.Package(), nullptr, [](CDlgOriginalSetupFiles& shown) {
            CVXListCtrl& list = shown.FileList();
            QTEST(Rows(list), "rows");
            QCOMPARE(SelectedRows(list), list.GetItemCount() ? QList<int>{0} : QList<int>{});
            QTEST(list.model()->headerData(2, Qt::Horizontal).toString(), "heading");
            QCOMPARE(list.model()->headerData(1, Qt::Horizontal).toString(), QString("File Key"));
            QVERIFY(!list.header()->sectionsClickable());
            QCOMPARE(list.GetColumnWidth(0), list.width() / 3);
            QCOMPARE(list.GetColumnWidth(1), list.width() / 3);
            QCOMPARE(shown.windowTitle(), QString("Select File"));
            shown.reject();
        });
    }

    // How the dialog is left and what it answers: the keys of the selected rows top row first
    // after OK, none otherwise. The package path comes through the project's variables, and the
    // package's bytes are the same afterwards.
    void closing_data() {
        using Act = std::function<void(CDlgOriginalSetupFiles&)>;
        QTest::addColumn<Act>("act");
        QTest::addColumn<int>("result");
        QTest::addColumn<QStringList>("keys");
        const auto ok = [](CDlgOriginalSetupFiles& d) {
            QTest::mouseClick(d.findChild<QPushButton*>("id_1"), Qt::LeftButton);
        };
        QTest::newRow("OK, first row as chosen") << Act(ok) << int(IDOK) << QStringList{"lib.dll"};
        QTest::newRow("Enter") << Act([](CDlgOriginalSetupFiles& d) {
            QTest::keyClick(&d.FileList(), Qt::Key_Return);
        }) << int(IDOK) << QStringList{"lib.dll"};
        QTest::newRow("Ctrl-clicks, bottom row first") << Act([ok](CDlgOriginalSetupFiles& d) {
            Click(d.FileList(), 2, Qt::ControlModifier);
            Click(d.FileList(), 0, Qt::ControlModifier); // off again
            Click(d.FileList(), 1, Qt::ControlModifier);
            ok(d);
        }) << int(IDOK) << QStringList{"app.exe", "readme"};
        QTest::newRow("Shift-click") << Act([ok](CDlgOriginalSetupFiles& d) {
            Click(d.FileList(), 2, Qt::ShiftModifier);
            ok(d);
        }) << int(IDOK) << QStringList{"lib.dll", "app.exe", "readme"};
        QTest::newRow("OK with nothing selected") << Act([ok](CDlgOriginalSetupFiles& d) {
            d.FileList().clearSelection();
            ok(d);
        }) << int(IDOK) << QStringList{};
        QTest::newRow("Cancel") << Act([](CDlgOriginalSetupFiles& d) {
            Click(d.FileList(), 2, Qt::ControlModifier);
            QTest::mouseClick(d.findChild<QPushButton*>("id_2"), Qt::LeftButton);
        }) << int(IDCANCEL) << QStringList{};
        QTest::newRow("Esc") << Act([](CDlgOriginalSetupFiles& d) {
            QTest::keyClick(&d.FileList(), Qt::Key_Escape);
        }) << int(IDCANCEL) << QStringList{};
        QTest::newRow("close box")
            << Act([](CDlgOriginalSetupFiles& d) { d.close(); }) << int(IDCANCEL) << QStringList{};
    }

    void closing() {
        QFETCH(std::function<void(CDlgOriginalSetupFiles&)>, act);
        Setup setup("0");
        const auto before = FileBytes(setup.package);
        ComPtr<IProject> project =
            NewProject(setup.folder.Wide("patch.vxp"), u"${Setups}/setup.msi");
        ThrowIfFailed(
            project->PutPathVariable(u"Setups", Utf8ToUtf16(setup.folder.Root().string()).c_str()));
        CDlgOriginalSetupFiles dialog;
        // Keys left from an earlier showing go when the dialog is shown again.
        Run(dialog, u"${Setups}/setup.msi", project.Get(), [](CDlgOriginalSetupFiles& d) {
            QTest::mouseClick(d.findChild<QPushButton*>("id_1"), Qt::LeftButton);
        });
        QTEST(Run(dialog, u"${Setups}/setup.msi", project.Get(), act), "result");
        QStringList keys;
        for (const std::u16string& key : dialog.SelectedKeys()) {
            keys << QString::fromStdU16String(key);
        }
        QTEST(keys, "keys");
        QCOMPARE(dialog.FileList().GetItemCount(), 3);
        QCOMPARE(dialog.FileList().GetColumnCount(), 3);
        QVERIFY(FileBytes(setup.package) == before);
    }

    // A package that cannot be read raises before the dialog shows, with the installer's
    // error naming the package and what is wrong with it.
    void unreadablePackage_data() {
        QTest::addColumn<QByteArray>("bytes"); // empty: no file
        QTest::addColumn<QString>("says");
        QTest::newRow("missing") << QByteArray() << "No such file or directory";
        QTest::newRow("not a package") << QByteArray(4096, 'x') << "not a compound file";
        std::vector<uint8_t> cut = SamplePackage();
        cut.resize(cut.size() / 2);
        QTest::newRow("cut short") << QByteArray(reinterpret_cast<const char*>(cut.data()),
                                                 static_cast<qsizetype>(cut.size()))
                                   << "lies outside the file";
    }

    void unreadablePackage() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, says);
        Setup setup("1");
        std::filesystem::remove(setup.package);
        if (!bytes.isEmpty()) {
            setup.folder.Write("setup.msi", bytes.toStdString());
        }
        CDlgOriginalSetupFiles dialog;
        bool shown = false;
        QTimer::singleShot(0, &dialog, [&] {
            shown = dialog.isVisible();
            dialog.reject();
        });
        try {
            dialog.DoModal(setup.Package());
            QFAIL("no exception");
        } catch (const CComException& failure) {
            const QString text = QString::fromStdU16String(failure.Description());
            QVERIFY2(text.startsWith("Windows Installer Error 2203: ") &&
                         text.contains(QString::fromStdU16String(setup.Package())) &&
                         text.contains(says),
                     qPrintable(text));
        }
        QApplication::processEvents();
        QVERIFY(!shown && !dialog.isVisible());
    }
};

QTEST_MAIN(SelectFileDialogTest)
#include "select_file_dialog_test.moc"
