#pragma once
// The pages a patch project shows besides the IDE's own, found through registration files
// (lib/vxide/pages/*.page) that the build installs beside the page modules. vxide never links
// a page: it loads the module the registration names and creates the control by its class
// identity, through the module's DllGetClassObject.
//
// A registration file is an INI file:
//   [Page]
//   Name=Application Files
//   Order=10                                   pages are listed by it, then by name
//   CLSID={3CA77EBF-D382-4383-B78F-93A1DA831525}
//   ProgID=VXWI.VxWsApplicationFilesEPCtrl.1
//   Module=../VxWsApplicationFilesEP.so        relative to the registration file's folder

#include "ide/framework/widgets/workspace_interfaces.h"
#include "platform/com/guid.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace vx::ide {

struct PageRegistration {
    QString name;
    int order = 0;
    CLSID clsid{};
    QString progId;
    QString moduleFile; // absolute
    QString registrationFile;
};

// Every valid registration of `folder`, in page order; a file that cannot be used adds a line
// to `problems` saying why.
std::vector<PageRegistration> ReadPageRegistrations(const QString& folder, QStringList* problems);

// Loads the page's module and creates its control. On failure the thread's error information
// says why.
HRESULT CreatePageControl(const PageRegistration& page, IWorkspace2** control);

} // namespace vx::ide
