#include "apps/vxide/error_report.h"

#include "ide/framework/message_service.h"
#include "ide/framework/service_object_loader.h"
#include "ide/services/interfaces/app_services.h"
#include "platform/com/com_exception.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace vx::ide {

QString DescribeFailure(long hr) {
    try {
        ThrowIfFailed(static_cast<HRESULT>(hr));
    } catch (const CComException& failure) {
        return QString::fromStdU16String(failure.Description());
    }
    return {};
}

void LogLine(const QString& text) {
    ComPtr<IAppServices> services;
    BStr folder;
    if (FAILED(CreateServiceObject(kAppServicesModule, CLSID_AppServices, services)) ||
        FAILED(services->GetLogFolder(folder.Out())) || !folder.Get()) {
        std::fprintf(stderr, "vxide: %s\n", text.toUtf8().constData());
        return;
    }
    const QString dir = QString::fromStdU16String(folder.ToString());
    QDir().mkpath(dir);
    QFile log(QDir(dir).filePath(u"vxide.log"_s));
    if (log.open(QIODevice::Append | QIODevice::Text)) {
        log.write((QDateTime::currentDateTime().toString(Qt::ISODate) + u" vxide: "_s + text +
                   u'\n')
                      .toUtf8());
    }
}

void ReportError(const QString& text) {
    LogLine(text);
    AppMessageBox(text.toStdU16String(), MB_OK | MB_ICONERROR);
}

} // namespace vx::ide
