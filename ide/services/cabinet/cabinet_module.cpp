// VxCommonServices: the module that serves the cabinet service.
#include "ide/services/cabinet/cabinet_service.h"
#include "ide/services/module_exports.h"

VX_MODULE_EXPORT vx::HRESULT DllGetClassObject(const vx::CLSID& clsid, const vx::IID& iid,
                                               void** object) {
    using namespace vx;
    if (!object) {
        return E_POINTER;
    }
    *object = nullptr;
    if (clsid != CLSID_CabinetService) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return MakeComObject<SimpleClassFactory<cabinet::CabinetService>>()->QueryInterface(iid,
                                                                                        object);
}
