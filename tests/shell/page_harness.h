#pragma once
// A patch project in a temporary folder, a host site over it, and the page hosted in a
// 900x600 window the way the IDE hosts it; plus ways to read the page through Qt's own classes,
// since a page made by the module is another copy of our window classes.

#include "VxWsApplicationFilesEP/shell/identities.h"
#include "ide/framework/service_object_loader.h"
#include "ide/framework/widgets/workspace_interfaces.h"
#include "ide/framework/widgets/workspace_site.h"
#include "platform/com/class_factory.h"
#include "platform/com/com_exception.h"
#include "support/project_helpers.h"

#include <QDir>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTreeView>
#include <QVBoxLayout>
#include <QtTest>

#include <string>
#include <vector>

namespace vx::testing {

inline constexpr UINT kOriginalTreeId = 59648; // upper left pane
inline constexpr UINT kPatchTreeId = 59664;    // lower left pane

#ifdef VX_PAGE_MODULE
// The page's class factory from the built module, as the IDE gets it.
inline ComPtr<IClassFactory> ModuleFactory() {
    ComPtr<IClassFactory> factory;
    CServiceObjectLoader::Instance().GetClassObject(
        u"" VX_PAGE_MODULE, CLSID_VxWsApplicationFilesEP, factory.ReleaseAndGetAddressOf());
    return factory;
}
#endif

inline std::u16string Fixture(const char* name) {
    return QDir(VX_FIXTURE_DIR).filePath(name).toStdU16String();
}

struct EntryRow {
    std::u16string key;
    int32_t type = kPatchTypeUpdate;
    std::u16string newFile;
    std::u16string directory;
};

struct PageHarness {
    QTemporaryDir temp;
    ComPtr<IProject> project;
    ComPtr<IWorkspace2> page;
    QWidget host;
    QWidget* view = nullptr;

    ~PageHarness() {
        if (page) {
            page->OnCloseWorkspace();
        }
    }

    ComPtr<IPatchProject> Patch() const { return PatchOf(project.Get()); }

    void AddEntry(const EntryRow& row) const {
        ComPtr<IPatchFile> entry = CreateEntry(Patch().Get(), row.key);
        ThrowIfFailed(entry->PutType(row.type));
        ThrowIfFailed(entry->PutNewFilePath(row.newFile.c_str()));
        if (!row.directory.empty()) {
            ThrowIfFailed(entry->PutDestinationDir(row.directory.c_str()));
        }
    }
    // The keys of the project's entries, in its order.
    QStringList Keys() const {
        QStringList keys;
        for (const std::u16string& key : KeysOf(Patch().Get())) {
            keys << QString::fromStdU16String(key);
        }
        return keys;
    }

    // The project, its entries and the program folder with its contents page.
    void MakeProject(const std::u16string& original, const std::vector<EntryRow>& entries = {},
                     std::u16string_view type = kPatchProjectType) {
        project =
            NewProject(QDir(temp.path()).filePath("page.vxp").toStdU16String(), original, type);
        if (type == kPatchProjectType) {
            for (const EntryRow& row : entries) {
                AddEntry(row);
            }
        }
        QFile contents(QDir(temp.path()).filePath("IKMOriginalFilesContents.htm"));
        QVERIFY(contents.open(QIODevice::WriteOnly));
        contents.write("<html><body>Application Files</body></html>");
    }

    // Creates the page from `factory`, embeds its window and shows it as the active page.
    void Open(IClassFactory* factory) {
        QVERIFY(factory);
        QCOMPARE(
            factory->CreateInstance(nullptr, IWorkspace2::kIid, page.ReleaseAndGetVoidAddress()),
            S_OK);
        QCOMPARE(
            page->Initialize(
                MakeComObject<CWorkspaceSite>(project.Get(), temp.path().toStdU16String()).Get()),
            S_OK);
        QWidget* window = nullptr;
        QCOMPARE(page->GetWindow(&window), S_OK);
        auto* layout = new QVBoxLayout(&host);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(window);
        host.resize(900, 600);
        host.show();
        QCOMPARE(page->OnShowWorkspace(), S_OK);
        view = window->findChild<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
        QVERIFY(view);
    }

    QTreeView* Tree(UINT id) const {
        return view->findChild<QTreeView*>(QStringLiteral("id_%1").arg(id));
    }
    // The splitter holding the page (1 by 2), and the one in its left pane (2 by 1).
    QSplitter* Outer() const {
        QWidget* wnd = view->findChild<QWidget*>("id_59648", Qt::FindDirectChildrenOnly);
        return wnd ? wnd->findChild<QSplitter*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    }
    QSplitter* Inner() const {
        QWidget* pane = Outer()->widget(0);
        QWidget* wnd = pane->findChild<QWidget*>("id_59648", Qt::FindDirectChildrenOnly);
        return wnd->findChild<QSplitter*>(QString(), Qt::FindDirectChildrenOnly);
    }
    // The window shown in the right pane.
    QWidget* RightPane() const {
        for (QWidget* w : Outer()->widget(1)->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (w->isVisible()) {
                return w;
            }
        }
        return nullptr;
    }
    bool ShowsContentsPage() const {
        auto* browser = qobject_cast<QTextBrowser*>(RightPane());
        return browser && browser->source().fileName() == "IKMOriginalFilesContents.htm";
    }
};

// The IDE's log under the state folder `stateHome`, UTF-16 text.
inline QString LogText(const QString& stateHome) {
    QFile log(QDir(stateHome).filePath("vxide/vxide.log"));
    if (!log.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray bytes = log.readAll();
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()),
                              bytes.size() / 2);
}

inline QStringList Labels(const QTreeView* tree, const QModelIndex& parent) {
    QStringList labels;
    for (int row = 0; row < tree->model()->rowCount(parent); ++row) {
        labels << tree->model()->index(row, 0, parent).data().toString();
    }
    return labels;
}

// The first node labelled `label` anywhere below `parent`, depth first.
inline QModelIndex Find(const QTreeView* tree, const QString& label,
                        const QModelIndex& parent = {}) {
    for (int row = 0; row < tree->model()->rowCount(parent); ++row) {
        const QModelIndex child = tree->model()->index(row, 0, parent);
        if (child.data().toString() == label) {
            return child;
        }
        if (const QModelIndex below = Find(tree, label, child); below.isValid()) {
            return below;
        }
    }
    return {};
}

} // namespace vx::testing
