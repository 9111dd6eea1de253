#include "VxWsApplicationFilesEP/shell/application_files_ctrl.h"

#include "VxWsApplicationFilesEP/shell/application_files_app.h"
#include "VxWsApplicationFilesEP/shell/identities.h"
#include "platform/com/com_exception.h"

#include <new>

namespace vx {
namespace {

template <class Call>
HRESULT Guarded(Call&& call) {
    try {
        return call();
    } catch (const CComException& failure) {
        return FailWithDescription(failure.hr(), failure.Description());
    } catch (const CException&) {
        return E_FAIL;
    }
}

} // namespace

class CVxWsApplicationFilesEPCtrl::CVxWsApplicationFilesEPCtrlFactory final
    : public ComObject<CVxWsApplicationFilesEPCtrlFactory, IClassFactory> {
public:
    HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** object) override {
        if (!object) {
            return E_POINTER;
        }
        *object = nullptr;
        if (outer) {
            return CLASS_E_NOAGGREGATION;
        }
        if (!CVxWsApplicationFilesEPApp::Instance().GetDocTemplate()) {
            return E_UNEXPECTED;
        }
        try {
            return MakeComObject<CVxWsApplicationFilesEPCtrl>()->QueryInterface(iid, object);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }
    HRESULT LockServer(bool lock) override {
        if (lock) {
            CVxWsApplicationFilesEPApp::Instance().Lock();
        } else {
            CVxWsApplicationFilesEPApp::Instance().Unlock();
        }
        return S_OK;
    }
};

IClassFactory* CVxWsApplicationFilesEPCtrl::ClassFactory() {
    static const ComPtr<CVxWsApplicationFilesEPCtrlFactory> factory =
        MakeComObject<CVxWsApplicationFilesEPCtrlFactory>();
    return factory.Get();
}

CVxWsApplicationFilesEPCtrl::CVxWsApplicationFilesEPCtrl()
    : CVXWrkSpaceCtrl(*CVxWsApplicationFilesEPApp::Instance().GetDocTemplate()),
      m_dispatchIid(DIID__DVxWsApplicationFilesEP),
      m_eventIid(DIID__DVxWsApplicationFilesEPEvents) {
    CVxWsApplicationFilesEPApp::Instance().Lock();
}

CVxWsApplicationFilesEPCtrl::~CVxWsApplicationFilesEPCtrl() {
    OnCloseWorkspace();
    CVxWsApplicationFilesEPApp::Instance().Unlock();
}

HRESULT CVxWsApplicationFilesEPCtrl::QueryInterface(const IID& iid, void** object) {
    if (!object) {
        return E_POINTER;
    }
    if (iid == IDispatch::kIid || iid == m_dispatchIid) {
        *object = static_cast<IDispatch*>(this);
    } else if (iid == IProvideClassInfo::kIid) {
        *object = static_cast<IProvideClassInfo*>(this);
    } else {
        return CVXWrkSpaceCtrl::QueryInterface(iid, object);
    }
    AddRef();
    return S_OK;
}

ULONG CVxWsApplicationFilesEPCtrl::AddRef() {
    return CVXWrkSpaceCtrl::AddRef();
}

ULONG CVxWsApplicationFilesEPCtrl::Release() {
    return CVXWrkSpaceCtrl::Release();
}

HRESULT CVxWsApplicationFilesEPCtrl::OnShowWorkspace() {
    return Guarded([this] { return CVXWrkSpaceCtrl::OnShowWorkspace(); });
}

HRESULT CVxWsApplicationFilesEPCtrl::OnUpdateWorkspace() {
    return Guarded([this] { return CVXWrkSpaceCtrl::OnUpdateWorkspace(); });
}

HRESULT CVxWsApplicationFilesEPCtrl::ExecuteCommand(UINT id, bool* handled) {
    return Guarded([&] { return CVXWrkSpaceCtrl::ExecuteCommand(id, handled); });
}

HRESULT CVxWsApplicationFilesEPCtrl::GetTypeInfoCount(uint32_t* count) {
    if (!count) {
        return E_POINTER;
    }
    *count = 1;
    return S_OK;
}

HRESULT CVxWsApplicationFilesEPCtrl::GetIDsOfNames(const IID&, const char16_t**, uint32_t count,
                                                   LCID, DISPID* ids) {
    if (!ids) {
        return E_POINTER;
    }
    for (uint32_t i = 0; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
    }
    return DISP_E_UNKNOWNNAME;
}

HRESULT CVxWsApplicationFilesEPCtrl::Invoke(DISPID, const IID&, LCID, uint16_t, DISPPARAMS*,
                                            VARIANT*, EXCEPINFO*, uint32_t*) {
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT CVxWsApplicationFilesEPCtrl::GetClassInfo(ITypeInfo** info) {
    if (!info) {
        return E_POINTER;
    }
    return VxWsApplicationFilesEPTypeLib()->GetTypeInfoOfGuid(CLSID_VxWsApplicationFilesEP, info);
}

uint32_t CVxWsApplicationFilesEPCtrl::GetMiscStatus() {
    return kVxWsApplicationFilesEPMiscStatus;
}

} // namespace vx
