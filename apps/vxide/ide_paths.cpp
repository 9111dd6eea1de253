#include "apps/vxide/ide_paths.h"

#include <QCoreApplication>
#include <QDir>

using namespace Qt::StringLiterals;

namespace vx::ide {
namespace {

QString AbovePrograms(const QString& relative) {
    return QDir::cleanPath(ProgramFolder() + u"/../"_s + relative);
}

} // namespace

QString ProgramFolder() {
    return QCoreApplication::applicationDirPath();
}

QString PageRegistrationFolder() {
    return AbovePrograms(QStringLiteral(VX_PRIVATE_LIBDIR "/pages"));
}

QString ContentFolder() {
    return AbovePrograms(u"share/vxide"_s);
}

QString DemoProjectPath() {
    return AbovePrograms(u"share/vxide/demo/OrvaneNotes-1.1.vxp"_s);
}

} // namespace vx::ide
