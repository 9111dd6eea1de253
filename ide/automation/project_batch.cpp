#include "ide/automation/project_batch.h"

#include "platform/com/com_exception.h"

namespace vx {

CProjectBatch::CProjectBatch(IUnknown* project) {
    if (project && project->QueryInterface(IProjectUpdate::kIid,
                                           m_update.ReleaseAndGetVoidAddress()) == S_OK) {
        ThrowIfFailed(m_update->BeginUpdate());
        m_open = true;
    }
}

CProjectBatch::~CProjectBatch() {
    if (m_open) {
        m_update->EndUpdate(); // its failure cannot be thrown from here
    }
}

void CProjectBatch::Commit() {
    if (m_open) {
        m_open = false;
        ThrowIfFailed(m_update->EndUpdate());
    }
}

} // namespace vx
