#include "platform/com/class_factory.h"

#include "platform/sys/wide_string.h"

#include <map>
#include <mutex>
#include <string>

namespace vx {
namespace {

struct Registry {
    std::mutex lock;
    std::map<CLSID, ComPtr<IClassFactory>> classes;
    std::map<std::u16string, CLSID> progIds; // keyed by the lower-case ProgID
};

Registry& TheRegistry() {
    // Never destroyed: class objects may be released by other static destructors.
    static auto* registry = new Registry;
    return *registry;
}

std::u16string Folded(std::u16string_view text) {
    std::u16string out(text);
    for (auto& c : out) {
        c = AsciiToLower(c);
    }
    return out;
}

} // namespace

void RegisterClassObject(const CLSID& clsid, IClassFactory* factory) {
    Registry& registry = TheRegistry();
    std::lock_guard guard(registry.lock);
    if (factory) {
        registry.classes[clsid] = factory;
    } else {
        registry.classes.erase(clsid);
    }
}

HRESULT CoGetClassObject(const CLSID& clsid, const IID& iid, void** object) {
    if (!object) {
        return E_POINTER;
    }
    *object = nullptr;
    ComPtr<IClassFactory> factory;
    {
        Registry& registry = TheRegistry();
        std::lock_guard guard(registry.lock);
        const auto it = registry.classes.find(clsid);
        if (it == registry.classes.end()) {
            return REGDB_E_CLASSNOTREG;
        }
        factory = it->second;
    }
    return factory->QueryInterface(iid, object);
}

HRESULT CoCreateInstance(const CLSID& clsid, IUnknown* outer, DWORD, const IID& iid,
                         void** object) {
    if (!object) {
        return E_POINTER;
    }
    *object = nullptr;
    ComPtr<IClassFactory> factory;
    const HRESULT hr = CoGetClassObject(clsid, IClassFactory::kIid, factory.ReleaseAndGetVoidAddress());
    if (FAILED(hr)) {
        return hr;
    }
    return factory->CreateInstance(outer, iid, object);
}

void RegisterProgId(std::u16string_view progId, const CLSID& clsid) {
    Registry& registry = TheRegistry();
    std::lock_guard guard(registry.lock);
    registry.progIds[Folded(progId)] = clsid;
}

HRESULT CLSIDFromProgID(const char16_t* progId, CLSID* clsid) {
    if (!clsid) {
        return E_INVALIDARG;
    }
    *clsid = GUID_NULL;
    if (!progId || !*progId) {
        return CO_E_CLASSSTRING;
    }
    Registry& registry = TheRegistry();
    std::lock_guard guard(registry.lock);
    const auto it = registry.progIds.find(Folded(progId));
    if (it == registry.progIds.end()) {
        return CO_E_CLASSSTRING;
    }
    *clsid = it->second;
    return S_OK;
}

} // namespace vx
