// vxide: the patch designer's IDE.
//
//   vxide [PROJECT]                          opens PROJECT (without one, the bundled demo)
//   vxide --screenshot FILE.png [PROJECT]    opens it on the Application Files page, saves the
//                                            window as PNG once the page is filled and painted,
//                                            and exits (0, or 1 when it cannot be opened)
//     [--select LABEL]                         first selects the node labelled LABEL (the Files
//                                            To Patch tree first, then the Original Setup
//                                            Files tree), so the right pane shows its form
//     [--select-file-dialog]                   saves the Select File dialog instead (Ins on the
//                                            Files To Patch tree), over the page

#include "apps/vxide/error_report.h"
#include "apps/vxide/ide_application.h"
#include "apps/vxide/ide_paths.h"
#include "apps/vxide/main_window.h"
#include "ide/framework/widgets/help_window.h"
#include "ide/framework/widgets/qt_message_service.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QTimer>
#include <QTreeView>

#include <cstdio>
#include <cstdlib>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

struct Options {
    QString project;
    std::optional<QString> screenshot;
    QString select;
    bool selectFileDialog = false;
};

constexpr char kUsage[] = "usage: vxide [PROJECT]\n"
                          "       vxide --screenshot FILE.png [--select LABEL] "
                          "[--select-file-dialog] [PROJECT]\n"
                          "       vxide --version\n";

// Arguments are read before the application object exists (the platform depends on them).
std::optional<Options> ParseArguments(int argc, char** argv, int* exitCode) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == u"--screenshot"_s && i + 1 < argc) {
            options.screenshot = QString::fromLocal8Bit(argv[++i]);
        } else if (arg == u"--select"_s && i + 1 < argc) {
            options.select = QString::fromLocal8Bit(argv[++i]);
        } else if (arg == u"--select-file-dialog"_s) {
            options.selectFileDialog = true;
        } else if (arg == u"--version"_s) {
            std::printf("vxide %s\n", VX_VERSION);
            *exitCode = 0;
            return std::nullopt;
        } else if (arg == u"--help"_s || arg == u"-h"_s) {
            std::fputs(kUsage, stdout);
            *exitCode = 0;
            return std::nullopt;
        } else if (arg.startsWith(u'-') || !options.project.isEmpty()) {
            std::fputs(kUsage, stderr);
            *exitCode = 2;
            return std::nullopt;
        } else {
            options.project = arg;
        }
    }
    return options;
}

// Lets the page fill and paint: every event the showing caused is handled before the grab.
void SettleEvents() {
    for (int round = 0; round < 20; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

// The first node labelled `label` below `parent`, depth first.
QModelIndex FindLabel(const QAbstractItemModel* model, const QString& label,
                      const QModelIndex& parent = {}) {
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex child = model->index(row, 0, parent);
        if (child.data().toString() == label) {
            return child;
        }
        if (const QModelIndex below = FindLabel(model, label, child); below.isValid()) {
            return below;
        }
    }
    return {};
}

QTreeView* PageTree(QWidget* page, int id) {
    return page ? page->findChild<QTreeView*>(u"id_%1"_s.arg(id)) : nullptr;
}

constexpr int kOriginalTreeId = 59648;
constexpr int kPatchTreeId = 59664;

bool SelectLabel(vx::ide::MainWindow& window, const QString& label) {
    QWidget* page = window.PageWindow(window.ActivePage());
    for (const int id : {kPatchTreeId, kOriginalTreeId}) {
        QTreeView* tree = PageTree(page, id);
        const QModelIndex found = tree ? FindLabel(tree->model(), label) : QModelIndex();
        if (found.isValid()) {
            tree->setFocus();
            tree->setCurrentIndex(found);
            return true;
        }
    }
    std::fprintf(stderr, "vxide: no node \"%s\" in the page's trees\n",
                 label.toLocal8Bit().constData());
    return false;
}

bool SaveGrab(QWidget* widget, const QString& file) {
    if (!widget->grab().save(file, "PNG")) {
        std::fprintf(stderr, "vxide: cannot write %s\n", file.toLocal8Bit().constData());
        return false;
    }
    std::printf("%s\n", QFileInfo(file).absoluteFilePath().toLocal8Bit().constData());
    return true;
}

// Presses Ins on the Files To Patch tree and saves the dialog it opens, then closes it.
int TakeDialogScreenshot(vx::ide::MainWindow& window, const QString& file) {
    QTreeView* tree = PageTree(window.PageWindow(window.ActivePage()), kPatchTreeId);
    if (!tree) {
        std::fputs("vxide: the page has no Files To Patch tree\n", stderr);
        return 1;
    }
    SettleEvents();
    int result = 1;
    QTimer::singleShot(0, [&] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            SettleEvents();
            result = SaveGrab(dialog, file) ? 0 : 1;
            dialog->close();
        }
    });
    tree->setFocus();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Insert, Qt::NoModifier);
    QCoreApplication::sendEvent(tree, &press);
    if (result != 0) {
        std::fputs("vxide: Ins opened no dialog\n", stderr);
    }
    return result;
}

int TakeScreenshot(vx::ide::MainWindow& window, const QString& file) {
    SettleEvents();
    if (!window.grab().save(file, "PNG")) {
        std::fprintf(stderr, "vxide: cannot write %s\n", file.toLocal8Bit().constData());
        return 1;
    }
    std::printf("%s\n", QFileInfo(file).absoluteFilePath().toLocal8Bit().constData());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    int exitCode = 0;
    const std::optional<Options> options = ParseArguments(argc, argv, &exitCode);
    if (!options) {
        return exitCode;
    }
    // A screenshot needs no screen: without a display it is drawn off screen.
    if (options->screenshot && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    vx::ide::IdeApplication app(argc, argv);
    // In a screenshot run nobody answers a box: messages go to standard error (the default).
    vx::CQtMessageService boxes;
    if (!options->screenshot) {
        vx::SetMessageService(&boxes);
    }

    QStringList problems;
    vx::ide::MainWindow window(
        vx::ide::ReadPageRegistrations(vx::ide::PageRegistrationFolder(), &problems));
    for (const QString& problem : problems) {
        vx::ide::LogLine(problem);
    }
    // Every page's help command ends in this window; the topics lie beside the contents page.
    vx::CHelpWindow help(vx::ide::ContentFolder(), &window);
    const vx::CHelpViewerRegistration helpViewer(&help);
    if (!helpViewer.Registered()) {
        vx::ide::LogLine(
            QObject::tr("The help object manager cannot be loaded: help is not shown."));
    }
    if (!help.HasContents()) {
        vx::ide::LogLine(QObject::tr("The help pages are not installed in %1: help is not shown.")
                             .arg(QDir::toNativeSeparators(vx::ide::ContentFolder())));
    }
    // Shown first, so that the page's first sizing gets the room the window gives it.
    window.show();
    const QString project =
        options->project.isEmpty() ? vx::ide::DemoProjectPath() : options->project;
    const bool opened = window.OpenProject(project);
    if (options->screenshot) {
        if (!opened || (!options->select.isEmpty() && !SelectLabel(window, options->select))) {
            return 1;
        }
        return options->selectFileDialog ? TakeDialogScreenshot(window, *options->screenshot)
                                         : TakeScreenshot(window, *options->screenshot);
    }
    const int result = app.exec();
    vx::SetMessageService(nullptr);
    return result;
}
