// The page made from the built module as the IDE makes it: identities and type information,
// the first sizing, both trees, context help following the selection, the refresh rule of hints
// 0 and 2, a missing package and a project of another type.

#include "VxWsApplicationFilesEP/shell/type_library.h"
#include "ide/framework/scripted_message_service.h"
#include "shell/page_harness.h"
#include "support/help_viewer.h"

#include <dlfcn.h>

#include <functional>

using namespace vx;
using namespace vx::testing;

namespace {

const EntryRow kEntries[] = {
    {u"AppExe", kPatchTypeUpdate, u"", u""},
    {u"CoreDll", kPatchTypeDelete, u"", u""},
    {u"Extra", kPatchTypeNewFile, u"/srv/update/extra.dll", u"INSTALLDIR"},
    {u"Gone", kPatchTypeUpdate, u"", u""},
    {u"AtRoot", kPatchTypeNewFile, u"/srv/update/root.dll", u"TARGETDIR"},
};

} // namespace

class PageTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_state;

private slots:
    void initTestCase() { qputenv("XDG_STATE_HOME", m_state.path().toUtf8()); }

    void moduleAndTypeInformation() {
        ComPtr<IClassFactory> factory = ModuleFactory();
        QVERIFY(factory);
        void* module = dlopen(VX_PAGE_MODULE, RTLD_NOW | RTLD_NOLOAD);
        QVERIFY(module);
        using Entry = HRESULT (*)();
        for (const char* name : {"DllRegisterServer", "DllUnregisterServer"}) {
            QCOMPARE(reinterpret_cast<Entry>(dlsym(module, name))(), S_OK);
        }
        const auto canUnload = reinterpret_cast<Entry>(dlsym(module, "DllCanUnloadNow"));

        { // the page's objects, released before the module is asked again
            ComPtr<IDispatch> control;
            QCOMPARE(factory->CreateInstance(nullptr, IDispatch::kIid,
                                             control.ReleaseAndGetVoidAddress()),
                     S_OK);
            QCOMPARE(canUnload(), S_FALSE);
            uint32_t count = 0;
            QCOMPARE(control->GetTypeInfoCount(&count), S_OK);
            QCOMPARE(count, 1u);
            const char16_t* names[] = {u"Anything"};
            DISPID id = 0;
            QCOMPARE(control->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id),
                     DISP_E_UNKNOWNNAME);

            ComPtr<IProvideClassInfo> classInfo;
            QCOMPARE(control.As(classInfo), S_OK);
            ComPtr<ITypeInfo> coclass;
            QCOMPARE(classInfo->GetClassInfo(coclass.ReleaseAndGetAddressOf()), S_OK);
            ComPtr<ITypeLib> library;
            QCOMPARE(coclass->GetContainingTypeLib(library.ReleaseAndGetAddressOf(), nullptr),
                     S_OK);
            ComPtr<ITypeInfo> primary;
            QCOMPARE(library->GetTypeInfoOfGuid(DIID__DVxWsApplicationFilesEP,
                                                primary.ReleaseAndGetAddressOf()),
                     S_OK);
            TYPEATTR attributes;
            QCOMPARE(primary->GetTypeAttr(&attributes), S_OK);
            QCOMPARE(attributes.typekind, TKIND_DISPATCH);
            QCOMPARE(attributes.cFuncs + attributes.cVars, 0);
            QVERIFY(attributes.wTypeFlags & TYPEFLAG_FHIDDEN);
            BStr name;
            QCOMPARE(primary->GetDocumentation(MEMBERID_NIL, name.Out(), nullptr, nullptr, nullptr),
                     S_OK);
            QCOMPARE(name.ToString(), std::u16string(u"_DVxWsApplicationFilesEP"));
        }
        QCOMPARE(canUnload(), S_OK);
        ComPtr<IClassFactory> other;
        QVERIFY(FAILED(CServiceObjectLoader::Instance().GetClassObject(
            u"" VX_PAGE_MODULE, DIID__DVxWsApplicationFilesEP, other.ReleaseAndGetAddressOf())));
    }

    // The first sizing splits 900 by 600 into columns of 300 and 600 and rows of 300 each; a
    // later one keeps the bars where they are. Both trees stand, the contents page beside them.
    void firstSizingAndTrees() {
        PageHarness page;
        page.MakeProject(Fixture("basic.msi"), {std::begin(kEntries), std::end(kEntries)});
        page.Open(ModuleFactory().Get());
        QSplitter* outer = page.Outer();
        QSplitter* inner = page.Inner();
        QVERIFY(outer && inner);
        QCOMPARE(outer->sizes(), (QList<int>{300, 600 - outer->handleWidth()}));
        QCOMPARE(inner->sizes(), (QList<int>{300, 300 - inner->handleWidth()}));
        page.host.resize(1200, 800);
        QTRY_COMPARE(page.view->width(), 1200);
        QCOMPARE(outer->sizes(), (QList<int>{300, 1200 - 300 - outer->handleWidth()}));
        QCOMPARE(inner->sizes().value(0), 300);

        QTreeView* original = page.Tree(kOriginalTreeId);
        QTreeView* patch = page.Tree(kPatchTreeId);
        QVERIFY(original && patch);
        QCOMPARE(Labels(original, {}), QStringList{"Original Setup Files"});
        QVERIFY(original->isExpanded(original->model()->index(0, 0)));
        QVERIFY(Find(original, "plugin.dll").isValid());
        const QModelIndex patchRoot = patch->model()->index(0, 0);
        QCOMPARE(patchRoot.data().toString(), QString("Files To Patch"));
        QCOMPARE(Labels(patch, patchRoot), (QStringList{"app.exe", "core.dll", "extra.dll",
                                                        "File Not Found In Original Setup"}));
        QCOMPARE(patch->currentIndex(), patchRoot);
        QVERIFY(patch->isExpanded(patchRoot));
        QVERIFY(page.ShowsContentsPage());
    }

    // Help follows the last Files To Patch selection while anything is selected, and the right
    // pane shows the selection's form (known by a control of its template) or the contents page.
    void helpFollowsTheSelection() {
        PageHarness page;
        page.MakeProject(Fixture("basic.msi"), {std::begin(kEntries), std::end(kEntries)});
        page.Open(ModuleFactory().Get());
        QApplication::setActiveWindow(&page.host);
        QVERIFY(QTest::qWaitForWindowActive(&page.host));
        auto viewer = MakeComObject<RecordingViewer>();
        SetHelpViewer(viewer.Get());
        QTreeView* original = page.Tree(kOriginalTreeId);
        QTreeView* patch = page.Tree(kPatchTreeId);
        const QModelIndex patchRoot = patch->model()->index(0, 0);
        ComPtr<ICommandTarget> commands;
        QCOMPARE(page.page.As(commands), S_OK);

        const struct Step {
            const char* what;
            std::function<void()> act;
            const char16_t* topic; // null: the command is not handled
            const char* pane;      // null: the contents page
        } steps[] = {
            {"the root selected by the fill", [] {}, u"KMApplicationFiles.htm", nullptr},
            {"a patched file",
             [&] {
                 patch->setFocus();
                 patch->setCurrentIndex(patch->model()->index(0, 0, patchRoot));
             },
             u"KMAppFileModifiedCommonTab.htm", "id_233"},
            {"the patch tree lost the focus (to the original root)", [&] { original->setFocus(); },
             u"KMAppFileModifiedCommonTab.htm", nullptr},
            {"an original folder", [&] { original->setCurrentIndex(Find(original, "docs")); },
             u"KMAppFileModifiedCommonTab.htm", nullptr},
            {"an original file", [&] { original->setCurrentIndex(Find(original, "app.exe")); },
             u"KMAppFileModifiedCommonTab.htm", "id_224"},
            {"the original tree lost the focus", [&] { page.RightPane()->setFocus(); },
             u"KMApplicationFiles.htm", "id_224"},
            {"a new file",
             [&] {
                 patch->setFocus();
                 patch->setCurrentIndex(patch->model()->index(2, 0, patchRoot));
             },
             u"KMAppFileNewCommonTab.htm", "id_216"},
            {"another page shown", [&] { page.page->OnHideWorkspace(); }, nullptr, nullptr},
        };
        for (const Step& step : steps) {
            step.act();
            QWidget* pane = page.RightPane();
            QVERIFY2(!page.view->isVisible() ||
                         (step.pane ? pane && pane->findChild<QWidget*>(step.pane)
                                    : page.ShowsContentsPage()),
                     step.what);
            viewer->topics.clear();
            bool handled = false;
            QCOMPARE(commands->ExecuteCommand(ID_WORKSPACE_HELP, &handled), S_OK);
            QVERIFY2(handled == (step.topic != nullptr), step.what);
            const std::vector<std::u16string> expected =
                step.topic ? std::vector<std::u16string>{step.topic}
                           : std::vector<std::u16string>{};
            QVERIFY2(viewer->topics == expected, step.what);
            QCOMPARE(commands->ExecuteCommand(ID_WORKSPACE_HELP + 1, &handled), S_OK);
            QVERIFY(!handled);
        }
        SetHelpViewer(nullptr);
    }

    // A change of the patch list made while another page is shown reaches the Files To Patch
    // tree at the next general refresh, once; one made through this page is shown already.
    void refreshRule_data() {
        QTest::addColumn<bool>("shown");
        QTest::newRow("made while this page is shown") << true;
        QTest::newRow("made while another page is shown") << false;
    }
    void refreshRule() {
        QFETCH(bool, shown);
        PageHarness page;
        page.MakeProject(Fixture("basic.msi"), {kEntries[0]});
        page.Open(ModuleFactory().Get());
        QTreeView* patch = page.Tree(kPatchTreeId);
        auto entries = [patch] { return patch->model()->rowCount(patch->model()->index(0, 0)); };
        if (!shown) {
            page.page->OnHideWorkspace();
        }
        page.AddEntry({u"Readme", kPatchTypeUpdate, u"", u""});
        page.page->OnShowWorkspace();
        page.page->OnUpdateWorkspace();
        QCOMPARE(entries(), shown ? 1 : 2);
        page.AddEntry({u"Guide", kPatchTypeUpdate, u"", u""});
        page.page->OnUpdateWorkspace();
        QCOMPARE(entries(), shown ? 1 : 2);
    }

    // The host's filter: both trees keep the files whose names hold the text (any letter case)
    // with the folders above them, opened; the text survives a refill; empty shows all again.
    void filter() {
        PageHarness page;
        page.MakeProject(Fixture("basic.msi"), {std::begin(kEntries), std::end(kEntries)});
        page.Open(ModuleFactory().Get());
        QTreeView* original = page.Tree(kOriginalTreeId);
        QTreeView* patch = page.Tree(kPatchTreeId);
        // Visible nodes, depth first, indented by level; a closed folder's children are not.
        std::function<void(const QTreeView*, const QModelIndex&, int, QStringList&)> walk =
            [&walk](const QTreeView* tree, const QModelIndex& parent, int depth, QStringList& out) {
                for (int row = 0; row < tree->model()->rowCount(parent); ++row) {
                    const QModelIndex child = tree->model()->index(row, 0, parent);
                    if (tree->isRowHidden(row, parent)) {
                        continue;
                    }
                    out << QString(2 * depth, u' ') + child.data().toString();
                    if (tree->isExpanded(child)) {
                        walk(tree, child, depth + 1, out);
                    }
                }
            };
        auto shown = [&walk](const QTreeView* tree) {
            QStringList out;
            walk(tree, {}, 0, out);
            return out;
        };
        ComPtr<IWorkspace2> host;
        QCOMPARE(page.page.As(host), S_OK);
        QCOMPARE(host->Filter(u"DLL"), S_OK);
        const QStringList dlls = {
            "Original Setup Files",   "  [ProgramFilesFolder]", "    Fixture Basic", "      bin",
            "        Plugins Folder", "          plugin.dll",   "        core.dll"};
        QCOMPARE(shown(original), dlls);
        QCOMPARE(shown(patch), (QStringList{"Files To Patch", "  core.dll", "  extra.dll"}));
        page.page->OnHideWorkspace();
        page.AddEntry({u"PluginDll", kPatchTypeUpdate, u"", u""});
        page.AddEntry({u"Readme", kPatchTypeUpdate, u"", u""});
        page.page->OnShowWorkspace();
        page.page->OnUpdateWorkspace(); // the refill keeps the filter
        QCOMPARE(shown(patch),
                 (QStringList{"Files To Patch", "  core.dll", "  extra.dll", "  plugin.dll"}));
        QCOMPARE(host->Filter(u"no such file"), S_OK);
        QCOMPARE(shown(original), QStringList{"Original Setup Files"});
        QCOMPARE(shown(patch), QStringList{"Files To Patch"});
        QCOMPARE(host->Filter(u""), S_OK);
        QCOMPARE(shown(patch).size(), 7);
        QVERIFY(shown(original).contains("      readme.txt"));
    }

    // Without the package the Original Setup Files tree is its root alone, the Files To Patch
    // tree warns once and lists its entries as not found.
    void missingPackage() {
        ScriptedMessageService messages;
        PageHarness page;
        page.MakeProject(QDir(page.temp.path()).filePath("missing.msi").toStdU16String(),
                         {kEntries[0]});
        page.Open(ModuleFactory().Get());
        // Each of the three forms, then the Files To Patch tree, warns once as it starts.
        QCOMPARE(messages.Shown().size(), size_t{4});
        for (const auto& shown : messages.Shown()) {
            QVERIFY(shown.text.starts_with(u"Unable to locate the original setup package"));
        }
        QTreeView* original = page.Tree(kOriginalTreeId);
        QCOMPARE(Labels(original, {}), QStringList{"Original Setup Files"});
        QCOMPARE(original->model()->rowCount(original->model()->index(0, 0)), 0);
        QTreeView* patch = page.Tree(kPatchTreeId);
        QCOMPARE(Labels(patch, patch->model()->index(0, 0)),
                 QStringList{"File Not Found In Original Setup"});
    }

    // A project of another type leaves the page empty and is reported once, in the log.
    void projectOfAnotherType() {
        PageHarness page;
        page.MakeProject(Fixture("basic.msi"), {}, u"Installer");
        const qsizetype before = LogText(m_state.path()).count("\r\n");
        page.Open(ModuleFactory().Get());
        QVERIFY(!page.Outer());
        QVERIFY(!page.view->findChild<QTreeView*>());
        const QString log = LogText(m_state.path());
        QCOMPARE(log.count("\r\n"), before + 1);
        QVERIFY(log.contains("FrontEnd\\Views\\Kestrom\\VxWsApplicationFilesEP\\"
                             "VxWsApplicationFilesEPView 156: "));
    }
};

QTEST_MAIN(PageTest)
#include "page_test.moc"
