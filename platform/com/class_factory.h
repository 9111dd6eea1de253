#pragma once
// Class objects, and the process's registration table that stands in for COM's registry:
// CoCreateInstance finds class objects registered here, CLSIDFromProgID the ProgIDs.

#include "platform/com/unknown.h"

namespace vx {

struct IClassFactory : IUnknown {
    static constexpr IID kIid = MakeGuid("{00000001-0000-0000-C000-000000000046}");
    virtual HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** object) = 0;
    virtual HRESULT LockServer(bool lock) = 0;
};

// The class contexts CoCreateInstance accepts; the table serves every context alike.
inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
inline constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
inline constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
inline constexpr DWORD CLSCTX_REMOTE_SERVER = 0x10;

// The exported entry point of a module that serves classes.
using DllGetClassObjectFunction = HRESULT (*)(const CLSID& clsid, const IID& iid, void** object);

// Registers (or, with a null factory, removes) the class object for clsid.
void RegisterClassObject(const CLSID& clsid, IClassFactory* factory);
HRESULT CoGetClassObject(const CLSID& clsid, const IID& iid, void** object);
// REGDB_E_CLASSNOTREG when nothing is registered for clsid.
HRESULT CoCreateInstance(const CLSID& clsid, IUnknown* outer, DWORD context, const IID& iid,
                         void** object);

// Registers a ProgID (case-insensitive, as the registry compares) for a class.
void RegisterProgId(std::u16string_view progId, const CLSID& clsid);
// CO_E_CLASSSTRING for an unknown or empty ProgID; clsid is then GUID_NULL.
HRESULT CLSIDFromProgID(const char16_t* progId, CLSID* clsid);

// A class factory for a class that is default-constructible through MakeComObject.
template <class T>
class SimpleClassFactory final : public ComObject<SimpleClassFactory<T>, IClassFactory> {
public:
    HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** object) override {
        if (!object) {
            return E_POINTER;
        }
        *object = nullptr;
        if (outer) {
            return CLASS_E_NOAGGREGATION;
        }
        return MakeComObject<T>()->QueryInterface(iid, object);
    }
    HRESULT LockServer(bool) override { return S_OK; }
};

} // namespace vx
