#include "apps/vxide/ide_application.h"

#include "apps/vxide/error_report.h"
#include "platform/com/com_exception.h"

#include <exception>

namespace vx::ide {

IdeApplication::IdeApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setOrganizationName(QStringLiteral("Veyrix"));
    setApplicationName(QStringLiteral("vxide"));
    setApplicationVersion(QStringLiteral(VX_VERSION));
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
