// The page's windows in this process: drags out of the Original Setup Files tree through
// QMimeData, the root refused, a failed payload reported, the tree icons, the page fonts, and
// selections routed to forms registered for the right pane.

#include "VxWsApplicationFilesEP/original/drag_drop_app_file.h"
#include "VxWsApplicationFilesEP/original/ui/original_setup_files_tree.h"
#include "VxWsApplicationFilesEP/original/ui/tree_icons.h"
#include "VxWsApplicationFilesEP/shell/application_files_app.h"
#include "VxWsApplicationFilesEP/shell/application_files_ctrl.h"
#include "VxWsApplicationFilesEP/shell/page_fonts.h"
#include "VxWsApplicationFilesEP/shell/page_form.h"
#include "ide/framework/widgets/control_id.h"
#include "ide/framework/widgets/drag_mime.h"
#include "shell/page_harness.h"

#include <QLabel>
#include <QMimeData>

#include <cstdlib>
#include <new>

using namespace vx;
using namespace vx::testing;

// One allocation made to fail on demand, anywhere in the process. The whole family of the
// unaligned forms is replaced, so that every block is taken and given back the same way.
static int g_allocationsBeforeFailure = -1;

static void* Allocate(std::size_t size) {
    if (g_allocationsBeforeFailure >= 0 && g_allocationsBeforeFailure-- == 0) {
        throw std::bad_alloc();
    }
    if (void* block = std::malloc(size ? size : 1)) {
        return block;
    }
    throw std::bad_alloc();
}
static void* AllocateOrNull(std::size_t size) noexcept {
    try {
        return Allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return AllocateOrNull(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return AllocateOrNull(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }

namespace {

class ProbeTree final : public COriginalSetupFilesTree {
public:
    int payloadsAsked = 0;
    using COriginalSetupFilesTree::OnBeginDrag;

    std::unique_ptr<CDragDropData> Payload(HTREEITEM item) {
        return COriginalSetupFilesTree::CreateDragDropData(item);
    }

protected:
    std::unique_ptr<CDragDropData> CreateDragDropData(HTREEITEM item) override {
        ++payloadsAsked;
        return COriginalSetupFilesTree::CreateDragDropData(item);
    }
};

HTREEITEM FindItem(const CVXTreeCtrl& tree, HTREEITEM parent, const QString& label) {
    for (HTREEITEM item = tree.GetChildItem(parent); item; item = tree.GetNextSiblingItem(item)) {
        if (tree.GetItemText(item) == label) {
            return item;
        }
        if (HTREEITEM below = FindItem(tree, item, label)) {
            return below;
        }
    }
    return nullptr;
}

// A form of the right pane that records the files it is asked to show.
class RecordingForm final : public IPageForm {
public:
    explicit RecordingForm(PageFormSlot slot) : m_slot(slot) {}
    bool Create(QWidget* pane, UINT id) override {
        m_window.setParent(pane);
        SetDlgCtrlID(&m_window, id);
        m_window.setProperty("slot", static_cast<int>(m_slot));
        return true;
    }
    void Init(CVxWsApplicationFilesEPView*) override {}
    void ShowFile(const std::u16string& key) override {
        m_window.setText(QString::fromStdU16String(key));
    }
    QWidget* Window() override { return &m_window; }

private:
    PageFormSlot m_slot;
    QLabel m_window;
};

} // namespace

class PageWindowsTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_state;

private slots:
    void initTestCase() {
        qputenv("XDG_STATE_HOME", m_state.path().toUtf8());
        CDragDropAppFile::RegisterClass();
        CVxWsApplicationFilesEPApp::Instance().InitInstance();
    }

    // What a drag of each kind of node carries, read back on the receiving side.
    void dragPayloads_data() {
        QTest::addColumn<QString>("node");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("folder, depth first")
            << "Fixture Basic" << QStringList{"PluginDll", "CoreDll", "Guide", "AppExe", "Readme"};
        QTest::newRow("file") << "core.dll" << QStringList{"CoreDll"};
    }
    void dragPayloads() {
        QFETCH(QString, node);
        QFETCH(QStringList, keys);
        ProbeTree tree;
        tree.Fill(Fixture("basic.msi"));
        std::unique_ptr<CDragDropData> payload = tree.Payload(FindItem(tree, nullptr, node));
        QVERIFY(payload);
        const std::unique_ptr<QMimeData> mime = SaveDragRecord(*payload);
        const std::unique_ptr<CDragDropData> received = LoadDragRecord(mime.get());
        const auto* files = dynamic_cast<const CDragDropAppFile*>(received.get());
        QVERIFY(files);
        QStringList carried;
        for (const CDragDropAppFile::Key& key : files->Keys()) {
            carried << QString::fromStdU16String(key.value_or(u"(null)"));
        }
        QCOMPARE(carried, keys);
        QVERIFY(!tree.EditLabel(FindItem(tree, nullptr, node)));
    }

    // The root is not dragged with either button; a payload that cannot be built is reported.
    void rootRefusedAndFailuresReported() {
        ProbeTree tree;
        tree.Fill(Fixture("basic.msi"));
        tree.OnBeginDrag(tree.GetRootItem(), false);
        tree.OnBeginDrag(tree.GetRootItem(), true);
        QCOMPARE(tree.payloadsAsked, 0);
        QVERIFY(!tree.Payload(tree.GetRootItem()));

        g_allocationsBeforeFailure = 0;
        const std::unique_ptr<CDragDropData> payload =
            tree.Payload(FindItem(tree, nullptr, "Fixture Basic"));
        g_allocationsBeforeFailure = -1;
        QVERIFY(!payload);
        QFile log(QDir(m_state.path()).filePath("vxide/vxide.log"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray bytes = log.readAll();
        const QString text = QString::fromUtf16(
            reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
        QVERIFY(text.contains("VxWsApplicationFilesEP\\OriginalSetupFilesTree 293: "));
    }

    void treeIconsAreMasked() {
        for (const char* name : {"package", "document", "folder_closed", "folder_open",
                                 "patch_root", "entry_blank", "entry_new", "entry_patched",
                                 "entry_deleted"}) {
            const QIcon icon = LoadTreeIcon(name);
            QVERIFY2(!icon.isNull(), name);
            const QImage image = icon.pixmap(16, 16).toImage();
            QCOMPARE(image.size(), QSize(16, 16));
            QVERIFY2(image.pixelColor(0, 0).alpha() == 0, name); // magenta corners drawn clear
        }
    }

    void pageFonts_data() {
        QTest::addColumn<QString>("face");
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("charSet");
        QTest::addColumn<QString>("pageFace");
        QTest::addColumn<int>("pagePoints");
        QTest::addColumn<int>("headingPoints");
        QTest::newRow("desktop face kept") << "Cantarell" << 11 << kDefaultCharSet << "Cantarell"
                                           << 11 << 14;
        QTest::newRow("ANSI: Tahoma 8") << "Cantarell" << 11 << kAnsiCharSet << "Tahoma" << 8
                                        << 12;
        QTest::newRow("bitmap face") << "MS Sans Serif" << 10 << kDefaultCharSet << "Tahoma" << 10
                                     << 13;
        QTest::newRow("no face") << "" << 9 << kDefaultCharSet << "Tahoma" << 9 << 12;
    }
    void pageFonts() {
        QFETCH(QString, face);
        QFETCH(int, points);
        QFETCH(int, charSet);
        const PageFontSet fonts = ComputePageFonts({face.toStdU16String(), points, charSet});
        QTEST(QString::fromStdU16String(fonts.normal.face), "pageFace");
        QTEST(fonts.normal.points, "pagePoints");
        QTEST(fonts.heading.points, "headingPoints");
        QCOMPARE(fonts.bold.points, fonts.normal.points);
        QCOMPARE((QList<int>{fonts.normal.weight, fonts.bold.weight, fonts.heading.weight}),
                 (QList<int>{400, 700, 700}));
        QCOMPARE(MakePageFont(fonts.normal, 96).pixelSize(), (fonts.normal.points * 96 + 36) / 72);
    }

    // A selection brings the matching form into the right pane with the file's key; roots and
    // folders bring the contents page, and the hidden form keeps what it showed.
    void selectionRouting() {
        for (PageFormSlot slot :
             {PageFormSlot::ModifiedFile, PageFormSlot::NewFile, PageFormSlot::OriginalFile}) {
            RegisterPageForm(slot, [slot] { return std::make_unique<RecordingForm>(slot); });
        }
        PageHarness page;
        page.MakeProject(Fixture("basic.msi"),
                         {{u"AppExe", kPatchTypeDelete, u"", u""},
                          {u"Extra", kPatchTypeNewFile, u"/srv/extra.dll", u"INSTALLDIR"}});
        page.Open(CVxWsApplicationFilesEPCtrl::ClassFactory());
        QTreeView* original = page.Tree(kOriginalTreeId);
        QTreeView* patch = page.Tree(kPatchTreeId);
        const QModelIndex patchRoot = patch->model()->index(0, 0);
        auto shown = [&] {
            auto* form = qobject_cast<QLabel*>(page.RightPane());
            return form ? QStringLiteral("form_%1:").arg(form->property("slot").toInt()) + form->text()
                        : QString("contents");
        };
        const struct {
            QTreeView* tree;
            QModelIndex node;
            QString expected;
        } steps[] = {
            {patch, patch->model()->index(0, 0, patchRoot), "form_0:AppExe"},
            {patch, patch->model()->index(1, 0, patchRoot), "form_1:Extra"},
            {original, Find(original, "core.dll"), "form_2:CoreDll"},
            {original, Find(original, "docs"), "contents"},
            {patch, patchRoot, "contents"},
        };
        for (const auto& step : steps) {
            step.tree->setCurrentIndex(step.node);
            QCOMPARE(shown(), step.expected);
        }
        const QList<QLabel*> forms = page.view->findChildren<QLabel*>();
        QCOMPARE(forms.size(), 3);
        QCOMPARE(forms[2]->property("slot").toInt(), static_cast<int>(PageFormSlot::OriginalFile));
        QCOMPARE(forms[2]->text(), QString("CoreDll"));
        QVERIFY(page.ShowsContentsPage());
        for (PageFormSlot slot :
             {PageFormSlot::ModifiedFile, PageFormSlot::NewFile, PageFormSlot::OriginalFile}) {
            RegisterPageForm(slot, nullptr);
        }
    }
};

QTEST_MAIN(PageWindowsTest)
#include "page_windows_test.moc"
