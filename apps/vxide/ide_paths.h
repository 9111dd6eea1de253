#pragma once
// Where vxide finds what it ships. The build tree is laid out as an installation is, so the
// same relative paths serve both: bin/vxide, lib/vxide/pages/*.page (page registrations) beside
// the page modules, share/vxide/ (the IDE's own HTML pages) and share/vxide/demo/. Only the
// prefix above bin/ may differ (cmake/Install.cmake).

#include <QString>

namespace vx::ide {

QString ProgramFolder();
QString PageRegistrationFolder();
QString ContentFolder();
QString DemoProjectPath();

} // namespace vx::ide
