#include "ide/framework/widgets/wrkspace_ctrl.h"

#include "ide/framework/widgets/wrkspace_doc.h"
#include "ide/framework/widgets/wrkspace_frame.h"
#include "ide/framework/widgets/wrkspace_view.h"
#include "platform/com/com_exception.h"

namespace vx {

CVXWrkSpaceCtrl::CVXWrkSpaceCtrl(const CVXWrkSpaceDocTemplate& docTemplate)
    : m_template(docTemplate) {}

CVXWrkSpaceCtrl::~CVXWrkSpaceCtrl() {
    OnCloseWorkspace();
}

HRESULT CVXWrkSpaceCtrl::Initialize(IWorkspaceSite* site) {
    if (m_document) {
        return FailWithDescription(E_UNEXPECTED, u"The page is initialised already.");
    }
    CVXWrkSpaceDocTemplate::Instance made = m_template.OpenDocument();
    m_document = std::move(made.document);
    m_frame = made.frame;
    m_view = made.view;
    m_frame->hide();
    const HRESULT hr = m_document->AttachSite(site);
    if (FAILED(hr)) {
        OnCloseWorkspace();
    }
    return hr;
}

HRESULT CVXWrkSpaceCtrl::GetWindow(QWidget** window) {
    if (!window) {
        return E_POINTER;
    }
    *window = m_frame.data();
    return S_OK;
}

HRESULT CVXWrkSpaceCtrl::OnShowWorkspace() {
    if (!m_frame || !m_document) {
        return E_UNEXPECTED;
    }
    m_document->SetActiveWorkspace(true);
    // Showing a window in a layout lays its parent out at once; the frame then sizes the view,
    // so that the view's first sizing sees the size the host gives the page.
    m_frame->show();
    m_frame->RecalcLayout();
    if (m_view) {
        m_view->InitialUpdate();
    }
    return S_OK;
}

HRESULT CVXWrkSpaceCtrl::OnHideWorkspace() {
    if (m_document) {
        m_document->SetActiveWorkspace(false);
    }
    if (m_frame) {
        m_frame->hide();
    }
    return S_OK;
}

HRESULT CVXWrkSpaceCtrl::OnUpdateWorkspace() {
    if (m_document) {
        m_document->UpdateAllViews(nullptr, HINT_GENERAL_REFRESH, nullptr);
    }
    return S_OK;
}

HRESULT CVXWrkSpaceCtrl::OnCloseWorkspace() {
    if (m_document) {
        m_document->SetActiveWorkspace(false);
    }
    // The frame owns the view; the view lets go of the document on its way.
    delete m_frame.data();
    m_document.reset();
    return S_OK;
}

HRESULT CVXWrkSpaceCtrl::Filter(const char16_t* text) {
    if (m_view) {
        m_view->OnFilter(text ? QString::fromUtf16(text) : QString());
    }
    return S_OK;
}

HRESULT CVXWrkSpaceCtrl::ExecuteCommand(UINT id, bool* handled) {
    if (!handled) {
        return E_POINTER;
    }
    *handled = false;
    return m_document ? m_document->OnExecuteCommand(id, handled) : S_OK;
}

HRESULT CVXWrkSpaceCtrl::QueryCommandStatus(UINT id, int32_t* status) {
    if (!status) {
        return E_POINTER;
    }
    *status = 0;
    return m_document ? m_document->OnQueryCommandStatus(id, status) : S_OK;
}

HRESULT CVXWrkSpaceCtrl::QueryEndSession(bool* canEnd) {
    if (!canEnd) {
        return E_POINTER;
    }
    *canEnd = !m_document || m_document->CanEndSession();
    return S_OK;
}

bool CVXWrkSpaceCtrl::IsActiveWorkspace() const {
    return m_document && m_document->IsActiveWorkspace();
}

} // namespace vx
