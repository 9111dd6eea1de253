#include "VxWsApplicationFilesEP/shell/type_library.h"

#include "VxWsApplicationFilesEP/shell/identities.h"

#include <array>

namespace vx {
namespace {

struct TypeEntry {
    GUID guid;
    TYPEKIND kind;
    uint16_t flags;
    uint16_t implTypes;
    const char16_t* name;
    const char16_t* help;
};

constexpr LCID kLibraryLocale = 0x409;

constexpr std::array<TypeEntry, 3> kTypes{{
    {DIID__DVxWsApplicationFilesEP, TKIND_DISPATCH, TYPEFLAG_FHIDDEN | TYPEFLAG_FDISPATCHABLE, 0,
     u"_DVxWsApplicationFilesEP", u"Dispatch interface for VxWsApplicationFilesEP Control"},
    {DIID__DVxWsApplicationFilesEPEvents, TKIND_DISPATCH, TYPEFLAG_FDISPATCHABLE, 0,
     u"_DVxWsApplicationFilesEPEvents", u"Event interface for VxWsApplicationFilesEP Control"},
    {CLSID_VxWsApplicationFilesEP, TKIND_COCLASS, TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL, 2,
     u"VxWsApplicationFilesEP", u"VxWsApplicationFilesEP Control"},
}};

void SetText(BSTR* out, const char16_t* text) {
    if (out) {
        *out = BStr(std::u16string_view(text)).Detach();
    }
}

HRESULT Describe(const char16_t* name, const char16_t* help, BSTR* nameOut, BSTR* docOut,
                 DWORD* helpContext, BSTR* helpFile) {
    SetText(nameOut, name);
    SetText(docOut, help);
    if (helpContext) {
        *helpContext = 0;
    }
    if (helpFile) {
        *helpFile = nullptr;
    }
    return S_OK;
}

class CTypeLibrary final : public ComObject<CTypeLibrary, ITypeLib> {
public:
    uint32_t GetTypeInfoCount() override { return static_cast<uint32_t>(kTypes.size()); }
    HRESULT GetTypeInfo(uint32_t index, ITypeInfo** info) override;
    HRESULT GetTypeInfoOfGuid(const GUID& guid, ITypeInfo** info) override {
        for (uint32_t i = 0; i < kTypes.size(); ++i) {
            if (kTypes[i].guid == guid) {
                return GetTypeInfo(i, info);
            }
        }
        if (info) {
            *info = nullptr;
        }
        return TYPE_E_ELEMENTNOTFOUND;
    }
    HRESULT GetLibAttr(TLIBATTR* attributes) override {
        if (!attributes) {
            return E_POINTER;
        }
        *attributes = {LIBID_VxWsApplicationFilesEPLib, kLibraryLocale, kTypeLibMajorVersion,
                       kTypeLibMinorVersion, LIBFLAG_FCONTROL};
        return S_OK;
    }
    HRESULT GetDocumentation(int32_t index, BSTR* name, BSTR* docString, DWORD* helpContext,
                             BSTR* helpFile) override {
        if (index == -1) {
            return Describe(u"VxWsApplicationFilesEP",
                            u"VxWsApplicationFilesEP ActiveX Control module", name, docString,
                            helpContext, helpFile);
        }
        if (index < 0 || static_cast<size_t>(index) >= kTypes.size()) {
            return TYPE_E_ELEMENTNOTFOUND;
        }
        const TypeEntry& type = kTypes[static_cast<size_t>(index)];
        return Describe(type.name, type.help, name, docString, helpContext, helpFile);
    }
};

class CTypeInfo final : public ComObject<CTypeInfo, ITypeInfo> {
public:
    CTypeInfo(ITypeLib* library, uint32_t index) : m_library(library), m_index(index) {}

    HRESULT GetTypeAttr(TYPEATTR* attributes) override {
        if (!attributes) {
            return E_POINTER;
        }
        const TypeEntry& type = kTypes[m_index];
        *attributes = {};
        attributes->guid = type.guid;
        attributes->lcid = kLibraryLocale;
        attributes->typekind = type.kind;
        attributes->cImplTypes = type.implTypes;
        attributes->wTypeFlags = type.flags;
        attributes->wMajorVerNum = kTypeLibMajorVersion;
        attributes->wMinorVerNum = kTypeLibMinorVersion;
        return S_OK; // cFuncs and cVars stay 0: the interfaces have no members
    }
    HRESULT GetDocumentation(MEMBERID member, BSTR* name, BSTR* docString, DWORD* helpContext,
                             BSTR* helpFile) override {
        if (member != MEMBERID_NIL) {
            return TYPE_E_ELEMENTNOTFOUND;
        }
        return m_library->GetDocumentation(static_cast<int32_t>(m_index), name, docString,
                                           helpContext, helpFile);
    }
    HRESULT GetContainingTypeLib(ITypeLib** library, uint32_t* index) override {
        if (!library) {
            return E_POINTER;
        }
        *library = m_library.Get();
        (*library)->AddRef();
        if (index) {
            *index = m_index;
        }
        return S_OK;
    }

private:
    ComPtr<ITypeLib> m_library;
    uint32_t m_index;
};

HRESULT CTypeLibrary::GetTypeInfo(uint32_t index, ITypeInfo** info) {
    if (!info) {
        return E_POINTER;
    }
    *info = nullptr;
    if (index >= kTypes.size()) {
        return TYPE_E_ELEMENTNOTFOUND;
    }
    *info = MakeComObject<CTypeInfo>(this, index).Detach();
    return S_OK;
}

} // namespace

ITypeLib* VxWsApplicationFilesEPTypeLib() {
    // Lives as long as the module; handed out with references of its own.
    static const ComPtr<CTypeLibrary> library = MakeComObject<CTypeLibrary>();
    return library.Get();
}

} // namespace vx
