// The module's entry points. Loading the module makes the drag record creatable by name (the
// Files To Patch tree reads dropped records back through it), fills the right pane's form slots
// and readies the application object; the host then asks DllGetClassObject for the control's
// class object.

#include "VxWsApplicationFilesEP/forms/register_forms.h"
#include "VxWsApplicationFilesEP/original/drag_drop_app_file.h"
#include "VxWsApplicationFilesEP/shell/application_files_app.h"
#include "VxWsApplicationFilesEP/shell/application_files_ctrl.h"
#include "VxWsApplicationFilesEP/shell/identities.h"
#include "ide/services/module_exports.h"

using namespace vx;

namespace {

struct ModuleLoad {
    ModuleLoad() {
        CDragDropAppFile::RegisterClass();
        RegisterAttributeForms();
        CVxWsApplicationFilesEPApp::Instance().InitInstance();
    }
    ~ModuleLoad() { CVxWsApplicationFilesEPApp::Instance().ExitInstance(); }
    ModuleLoad(const ModuleLoad&) = delete;
    ModuleLoad& operator=(const ModuleLoad&) = delete;
} g_moduleLoad;

} // namespace

VX_MODULE_EXPORT HRESULT DllGetClassObject(const CLSID& clsid, const IID& iid, void** object) {
    if (!object) {
        return E_POINTER;
    }
    *object = nullptr;
    if (clsid != CLSID_VxWsApplicationFilesEP) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return CVxWsApplicationFilesEPCtrl::ClassFactory()->QueryInterface(iid, object);
}

VX_MODULE_EXPORT HRESULT DllCanUnloadNow() {
    return CVxWsApplicationFilesEPApp::Instance().InUse() ? S_FALSE : S_OK;
}

// Registration is the host's (its registration file names the module): nothing to do here.
VX_MODULE_EXPORT HRESULT DllRegisterServer() {
    return S_OK;
}

VX_MODULE_EXPORT HRESULT DllUnregisterServer() {
    return S_OK;
}
