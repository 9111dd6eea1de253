#include "ide/framework/widgets/workspace_site.h"

namespace vx {

HRESULT CWorkspaceSite::GetProject(IProject** project) {
    if (!project) {
        return E_POINTER;
    }
    *project = m_project.Get();
    if (*project) {
        (*project)->AddRef();
    }
    return *project ? S_OK : E_UNEXPECTED;
}

HRESULT CWorkspaceSite::GetProgramFolder(BSTR* folder) {
    if (!folder) {
        return E_POINTER;
    }
    *folder = BStr(m_programFolder).Detach();
    return S_OK;
}

} // namespace vx
