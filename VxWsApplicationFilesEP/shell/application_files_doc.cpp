#include "VxWsApplicationFilesEP/shell/application_files_doc.h"

#include "VxWsApplicationFilesEP/shell/application_files_view.h"

namespace vx {

HRESULT CVxWsApplicationFilesEPDoc::OnExecuteCommand(UINT id, bool* handled) {
    if (!handled) {
        return E_POINTER;
    }
    *handled = false;
    if (m_view) {
        m_view->OnExecuteCommand(id, handled);
    }
    return S_OK;
}

HRESULT CVxWsApplicationFilesEPDoc::OnQueryCommandStatus(UINT id, int32_t* status) {
    if (!status) {
        return E_POINTER;
    }
    *status = 0;
    if (m_view) {
        m_view->OnQueryCommandStatus(id, status);
    }
    return S_OK;
}

} // namespace vx
