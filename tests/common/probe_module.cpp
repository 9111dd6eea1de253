// A service module for the loader's tests: its one class reports which file of the module
// answered and what the current folder was while the module loaded.
#include "ide/services/module_exports.h"
#include "tests/common/probe_interface.h"

#include <dlfcn.h>
#include <string>
#include <unistd.h>

namespace {

// Plain bytes: the load-time function may run before any C++ object of this file is built.
char g_loadFolder[4096];

__attribute__((constructor)) void RememberLoadFolder() {
    if (!::getcwd(g_loadFolder, sizeof g_loadFolder)) {
        g_loadFolder[0] = '\0';
    }
}

vx::BSTR Allocated(const std::string& text) {
    return vx::SysAllocStringView(std::u16string(text.begin(), text.end()));
}

class Probe final : public vx::ComObject<Probe, vx::testing::IProbe> {
public:
    vx::HRESULT GetLoadFolder(vx::BSTR* folder) override {
        *folder = Allocated(std::string(g_loadFolder));
        return vx::S_OK;
    }
    vx::HRESULT GetModuleFile(vx::BSTR* file) override {
        Dl_info info{};
        ::dladdr(reinterpret_cast<const void*>(&RememberLoadFolder), &info);
        *file = Allocated(info.dli_fname ? info.dli_fname : "");
        return vx::S_OK;
    }
};

} // namespace

VX_MODULE_EXPORT vx::HRESULT DllGetClassObject(const vx::CLSID& clsid, const vx::IID& iid,
                                               void** object) {
    *object = nullptr;
    if (clsid != vx::testing::CLSID_Probe) {
        return vx::CLASS_E_CLASSNOTAVAILABLE;
    }
    return vx::MakeComObject<vx::SimpleClassFactory<Probe>>()->QueryInterface(iid, object);
}
