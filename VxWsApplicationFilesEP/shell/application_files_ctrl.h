#pragma once
// The control the host creates from the module: the framework's workspace control with the
// page's document template, the page's identities and its type information. It has no
// automation members of its own: its dispatch interface is empty.

#include "VxWsApplicationFilesEP/shell/type_library.h"
#include "ide/framework/widgets/wrkspace_ctrl.h"
#include "ide/framework/widgets/wrkspace_frame.h"
#include "ide/framework/widgets/wrkspace_view.h"
#include "platform/com/class_factory.h"

namespace vx {

class CVxWsApplicationFilesEPCtrl final : public CVXWrkSpaceCtrl,
                                          public IDispatch,
                                          public IProvideClassInfo {
public:
    // The control's class object (not multi-instance: every control comes from this one).
    class CVxWsApplicationFilesEPCtrlFactory;
    static IClassFactory* ClassFactory();

    CVxWsApplicationFilesEPCtrl();
    ~CVxWsApplicationFilesEPCtrl() override;

    HRESULT QueryInterface(const IID& iid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    // Failures inside the page come back as HRESULTs with their description; nothing thrown
    // crosses to the host.
    HRESULT OnShowWorkspace() override;
    HRESULT OnUpdateWorkspace() override;
    HRESULT ExecuteCommand(UINT id, bool* handled) override;

    HRESULT GetTypeInfoCount(uint32_t* count) override;
    HRESULT GetIDsOfNames(const IID& reserved, const char16_t** names, uint32_t count,
                          LCID locale, DISPID* ids) override;
    HRESULT Invoke(DISPID id, const IID& reserved, LCID locale, uint16_t flags,
                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                   uint32_t* argumentError) override;

    HRESULT GetClassInfo(ITypeInfo** info) override;

    const IID& GetDispatchIid() const { return m_dispatchIid; }
    const IID& GetEventIid() const { return m_eventIid; }
    static uint32_t GetMiscStatus();

private:
    IID m_dispatchIid;
    IID m_eventIid;
};

} // namespace vx
