#include "VxWsApplicationFilesEP/shell/application_files_app.h"

#include "VxWsApplicationFilesEP/shell/application_files_doc.h"
#include "VxWsApplicationFilesEP/shell/application_files_frame.h"
#include "VxWsApplicationFilesEP/shell/application_files_view.h"
#include "VxWsApplicationFilesEP/shell/identities.h"

namespace vx {

CVxWsApplicationFilesEPApp& CVxWsApplicationFilesEPApp::Instance() {
    static CVxWsApplicationFilesEPApp app;
    return app;
}

bool CVxWsApplicationFilesEPApp::InitInstance() {
    if (!m_template) {
        m_template = std::make_unique<CVXWrkSpaceDocTemplate>(
            CVXWrkSpaceDocTemplate::Of<CVxWsApplicationFilesEPDoc, CVxWsApplicationFilesEPFrm,
                                       CVxWsApplicationFilesEPView>(
                IDR_VXWSAPPLICATIONFILESEP_TEMPLATE));
    }
    return true;
}

int CVxWsApplicationFilesEPApp::ExitInstance() {
    m_template.reset();
    return 0;
}

} // namespace vx
