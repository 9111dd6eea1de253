#include "apps/vxide/ide_application.h"

#include "apps/vxide/error_report.h"
#include "platform/com/com_exception.h"

#include <QIcon>

#include <exception>

namespace vx::ide {

IdeApplication::IdeApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setOrganizationName(QStringLiteral("Veyrix"));
    setApplicationName(QStringLiteral("vxide"));
    setApplicationVersion(QStringLiteral(VX_VERSION));
    // The desktop entry's name: Wayland compositors match the window to the entry (and its
    // icon) by it. The icon comes from the theme the installation put it in.
    setDesktopFileName(QStringLiteral(VX_DESKTOP_ID));
    setWindowIcon(QIcon::fromTheme(QStringLiteral(VX_DESKTOP_ID)));
}

bool IdeApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const CException& failure) {
        char16_t text[1024] = {};
        failure.GetErrorMessage(text, 1024, nullptr);
        ReportError(QString::fromUtf16(text));
    } catch (const std::exception& failure) {
        ReportError(QString::fromUtf8(failure.what()));
    }
    return false;
}

} // namespace vx::ide
