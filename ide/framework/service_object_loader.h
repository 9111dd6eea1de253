#pragma once
// Creates objects that live in the IDE's own service modules without any registry: the loader
// finds the module file in a fixed set of folders around this program (or module) and the
// machine's common files folder, loads it, and asks its exported DllGetClassObject for the class
// object. Loaded modules stay loaded for the rest of the process.
//
// The search: the own folder, its System folder, <common files>/Veyrix and
// <common files>/Veyrix/Orvane, then for each folder above the own one, nearest first, its
// System folder and its private library folder (lib/vxide). The last step is what finds the
// modules from every program of the build tree and from an installation's bin/.
//
// Module names are given as on Windows ("VxAppServices.dll"); the file loaded is the same name
// with ".so" for ".dll" ("VxAppServices.so").

#include "platform/com/class_factory.h"
#include "platform/sys/dynamic_library.h"

#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace vx {

class CServiceObjectLoader {
public:
    // The process-wide loader, created on the first call and never destroyed. Its own module is
    // the file this code was linked into.
    static CServiceObjectLoader& Instance();

    // A loader that takes `ownModuleFile` as the file of its own module (empty: unknown, so
    // every name goes to the system's library search). Tests build one over a folder tree.
    explicit CServiceObjectLoader(std::u16string ownModuleFile);
    CServiceObjectLoader(const CServiceObjectLoader&) = delete;
    CServiceObjectLoader& operator=(const CServiceObjectLoader&) = delete;

    // The library's DllGetClassObject result, or REGDB_E_CLASSNOTREG when the library cannot be
    // loaded or exports no DllGetClassObject (with a description published saying which).
    HRESULT GetClassObject(std::u16string_view moduleName, const CLSID& clsid,
                           IClassFactory** classObject);

    // The file a first request for `moduleName` would load: the first candidate that exists,
    // or the bare file name for the system's search.
    std::u16string ChooseModuleFile(std::u16string_view moduleName) const;

    // Called with every path the search tests (tests count them).
    void SetPathProbeObserver(std::function<void(const std::u16string&)> observer) {
        m_probeObserver = std::move(observer);
    }

private:
    bool Probe(const std::u16string& path) const;

    std::u16string m_ownModuleFile;
    std::map<std::u16string, ModuleHandle> m_modules; // keyed by the name exactly as asked
    std::function<void(const std::u16string&)> m_probeObserver;
};

// The file name of a module named as on Windows: a final ".dll" (any case) becomes ".so".
std::u16string ModuleFileName(std::u16string_view moduleName);

// With an empty module name: CoCreateInstance. Otherwise the class object from the loader, then
// its CreateInstance(no outer object, iid); the class object is released either way.
HRESULT CreateServiceObject(std::u16string_view moduleName, const CLSID& clsid, const IID& iid,
                            void** object);

template <class T>
HRESULT CreateServiceObject(std::u16string_view moduleName, const CLSID& clsid, ComPtr<T>& out) {
    return CreateServiceObject(moduleName, clsid, IidOf<T>(), out.ReleaseAndGetVoidAddress());
}

} // namespace vx
