// vxide: the patch designer's IDE.
//
//   vxide [PROJECT]                          opens PROJECT (without one, the bundled demo)
//   vxide --screenshot FILE.png [PROJECT]    opens it on the Application Files page, saves the
//                                            window as PNG once the page is filled and painted,
//                                            and exits (0, or 1 when it cannot be opened)

#include "apps/vxide/error_report.h"
#include "apps/vxide/ide_application.h"
#include "apps/vxide/ide_paths.h"
#include "apps/vxide/main_window.h"
#include "ide/framework/widgets/help_window.h"
#include "ide/framework/widgets/qt_message_service.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

struct Options {
    QString project;
    std::optional<QString> screenshot;
};

constexpr char kUsage[] = "usage: vxide [PROJECT]\n"
                          "       vxide --screenshot FILE.png [PROJECT]\n"
                          "       vxide --version\n";

// Arguments are read before the application object exists (the platform depends on them).
std::optional<Options> ParseArguments(int argc, char** argv, int* exitCode) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == u"--screenshot"_s && i + 1 < argc) {
            options.screenshot = QString::fromLocal8Bit(argv[++i]);
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
        vx::ide::LogLine(QObject::tr("The help object manager cannot be loaded: help is not shown."));
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
        return opened ? TakeScreenshot(window, *options->screenshot) : 1;
    }
    const int result = app.exec();
    vx::SetMessageService(nullptr);
    return result;
}
