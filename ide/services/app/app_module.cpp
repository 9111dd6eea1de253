// VxAppServices: the module that serves the application-services object.
#include "ide/services/app/app_services.h"
#include "ide/services/module_exports.h"

VX_MODULE_EXPORT vx::HRESULT DllGetClassObject(const vx::CLSID& clsid, const vx::IID& iid,
                                               void** object) {
    using namespace vx;
    if (!object) {
        return E_POINTER;
    }
    *object = nullptr;
    if (clsid != CLSID_AppServices) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return MakeComObject<SimpleClassFactory<CAppServices>>()->QueryInterface(iid, object);
}
