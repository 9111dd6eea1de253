#pragma once
// The base of a page's control, the object the host creates from the page's module. It offers
// IWorkspace and IWorkspace2 to the host and the document's ICommandTarget, and makes the
// document, frame and view from the page's template when the host initialises it.

#include "ide/framework/widgets/workspace_interfaces.h"
#include "ide/framework/widgets/wrkspace_doc_template.h"

#include <QPointer>

namespace vx {

class CVXWrkSpaceCtrl : public ComObject<CVXWrkSpaceCtrl, IWorkspace2, ICommandTarget> {
public:
    explicit CVXWrkSpaceCtrl(const CVXWrkSpaceDocTemplate& docTemplate);
    ~CVXWrkSpaceCtrl() override;

    HRESULT Initialize(IWorkspaceSite* site) override;
    HRESULT GetWindow(QWidget** window) override;
    HRESULT OnShowWorkspace() override;
    HRESULT OnHideWorkspace() override;
    HRESULT OnUpdateWorkspace() override;
    HRESULT OnCloseWorkspace() override;
    HRESULT Filter(const char16_t* text) override;

    HRESULT ExecuteCommand(UINT id, bool* handled) override;
    HRESULT QueryCommandStatus(UINT id, int32_t* status) override;
    HRESULT QueryEndSession(bool* canEnd) override;

    // The framework flag: true while this page is the shown workspace.
    bool IsActiveWorkspace() const;
    CVXWrkSpaceDoc* GetDocument() const { return m_document.get(); }
    CVXWrkSpaceView* GetView() const { return m_view; }
    CVXWrkSpaceFrame* GetFrame() const { return m_frame; }

private:
    const CVXWrkSpaceDocTemplate& m_template;
    std::unique_ptr<CVXWrkSpaceDoc> m_document;
    // The host may delete the window it embeds; the control then holds nothing.
    QPointer<CVXWrkSpaceFrame> m_frame;
    QPointer<CVXWrkSpaceView> m_view;
};

} // namespace vx
