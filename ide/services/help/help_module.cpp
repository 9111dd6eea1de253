// VXObjMgr: the module that serves the help object manager.
#include "ide/services/help/help_manager.h"
#include "ide/services/module_exports.h"

namespace {
constexpr vx::CLSID kHelpManagerClass = vx::MakeGuid("{DE5FBA5D-8AB0-4A53-B620-F2065702D228}");
}

VX_MODULE_EXPORT vx::HRESULT DllGetClassObject(const vx::CLSID& clsid, const vx::IID& iid,
                                               void** object) {
    using namespace vx;
    if (!object) {
        return E_POINTER;
    }
    *object = nullptr;
    if (clsid != kHelpManagerClass) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return MakeComObject<SimpleClassFactory<CHelpManager>>()->QueryInterface(iid, object);
}
