#pragma once
// The module's type library: the library itself, the control class and its two dispatch
// interfaces, neither of which has a member. Hosts and tools read it through the control's
// IProvideClassInfo, as they would read a control's registered type library.

#include "platform/com/bstr.h"
#include "platform/com/dispatch.h"

#include <cstdint>

namespace vx {

using MEMBERID = int32_t;
inline constexpr MEMBERID MEMBERID_NIL = -1;

enum TYPEKIND : int32_t {
    TKIND_ENUM = 0,
    TKIND_RECORD = 1,
    TKIND_MODULE = 2,
    TKIND_INTERFACE = 3,
    TKIND_DISPATCH = 4,
    TKIND_COCLASS = 5,
};

inline constexpr uint16_t TYPEFLAG_FCANCREATE = 0x2;
inline constexpr uint16_t TYPEFLAG_FHIDDEN = 0x10;
inline constexpr uint16_t TYPEFLAG_FCONTROL = 0x20;
inline constexpr uint16_t TYPEFLAG_FDISPATCHABLE = 0x1000;
inline constexpr uint16_t LIBFLAG_FCONTROL = 0x2;

struct TYPEATTR {
    GUID guid = GUID_NULL;
    LCID lcid = 0;
    TYPEKIND typekind = TKIND_ENUM;
    uint16_t cFuncs = 0;
    uint16_t cVars = 0;
    uint16_t cImplTypes = 0;
    uint16_t wTypeFlags = 0;
    uint16_t wMajorVerNum = 0;
    uint16_t wMinorVerNum = 0;
};

struct TLIBATTR {
    GUID guid = GUID_NULL;
    LCID lcid = 0;
    uint16_t wMajorVerNum = 0;
    uint16_t wMinorVerNum = 0;
    uint16_t wLibFlags = 0;
};

struct ITypeLib;

struct ITypeInfo : IUnknown {
    static constexpr IID kIid = MakeGuid("{00020401-0000-0000-C000-000000000046}");
    virtual HRESULT GetTypeAttr(TYPEATTR* attributes) = 0;
    // MEMBERID_NIL describes the type itself. Any out pointer may be null.
    virtual HRESULT GetDocumentation(MEMBERID member, BSTR* name, BSTR* docString,
                                     DWORD* helpContext, BSTR* helpFile) = 0;
    virtual HRESULT GetContainingTypeLib(ITypeLib** library, uint32_t* index) = 0;
};

struct ITypeLib : IUnknown {
    static constexpr IID kIid = MakeGuid("{00020402-0000-0000-C000-000000000046}");
    virtual uint32_t GetTypeInfoCount() = 0;
    virtual HRESULT GetTypeInfo(uint32_t index, ITypeInfo** info) = 0;
    // TYPE_E_ELEMENTNOTFOUND for a type the library does not describe.
    virtual HRESULT GetTypeInfoOfGuid(const GUID& guid, ITypeInfo** info) = 0;
    virtual HRESULT GetLibAttr(TLIBATTR* attributes) = 0;
    // Index -1 describes the library itself.
    virtual HRESULT GetDocumentation(int32_t index, BSTR* name, BSTR* docString,
                                     DWORD* helpContext, BSTR* helpFile) = 0;
};

struct IProvideClassInfo : IUnknown {
    static constexpr IID kIid = MakeGuid("{B196B283-BAB4-101A-B69C-00AA00341D07}");
    // The type information of the object's class.
    virtual HRESULT GetClassInfo(ITypeInfo** info) = 0;
};

inline constexpr HRESULT TYPE_E_ELEMENTNOTFOUND = static_cast<HRESULT>(0x8002802B);

// The module's type library (one per process).
ITypeLib* VxWsApplicationFilesEPTypeLib();

} // namespace vx
