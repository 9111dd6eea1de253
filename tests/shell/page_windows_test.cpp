// The page's windows in this process: drags out of the Original Setup Files tree through
// QMimeData, the root refused, a failed payload reported, the tree icons and the page fonts.

#include "VxWsApplicationFilesEP/original/drag_drop_app_file.h"
#include "VxWsApplicationFilesEP/original/ui/original_setup_files_tree.h"
#include "VxWsApplicationFilesEP/original/ui/tree_icons.h"
#include "VxWsApplicationFilesEP/shell/application_files_app.h"
#include "VxWsApplicationFilesEP/shell/page_fonts.h"
#include "ide/framework/widgets/drag_mime.h"
#include "shell/page_harness.h"

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
void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return AllocateOrNull(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return AllocateOrNull(size);
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}

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
        QTEST(carried, "keys");
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
        QVERIFY(LogText(m_state.path())
                    .contains("VxWsApplicationFilesEP\\OriginalSetupFilesTree 293: "));
    }

    void treeIconsAreMasked() {
        for (const char* name :
             {"package", "document", "folder_closed", "folder_open", "patch_root", "entry_blank",
              "entry_new", "entry_patched", "entry_deleted", "feature"}) {
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
        QTest::newRow("desktop face kept")
            << "Cantarell" << 11 << kDefaultCharSet << "Cantarell" << 11 << 14;
        QTest::newRow("ANSI: Tahoma 8") << "Cantarell" << 11 << kAnsiCharSet << "Tahoma" << 8 << 12;
        QTest::newRow("bitmap face")
            << "MS Sans Serif" << 10 << kDefaultCharSet << "Tahoma" << 10 << 13;
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
};

QTEST_MAIN(PageWindowsTest)
#include "page_windows_test.moc"
