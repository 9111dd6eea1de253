#pragma once
// IDispatch as late-bound callers here use it: names to dispatch ids, then Invoke for a
// property get or a method call with positional arguments.

#include "platform/com/variant.h"

namespace vx {

using DISPID = int32_t;
using LCID = uint32_t;

inline constexpr DISPID DISPID_UNKNOWN = -1;
inline constexpr uint16_t DISPATCH_METHOD = 0x1;
inline constexpr uint16_t DISPATCH_PROPERTYGET = 0x2;
inline constexpr uint16_t DISPATCH_PROPERTYPUT = 0x4;
inline constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;
inline constexpr LCID LOCALE_USER_DEFAULT = 0x0400;

struct DISPPARAMS {
    VARIANT* rgvarg = nullptr; // arguments in reverse order, as COM passes them
    DISPID* rgdispidNamedArgs = nullptr;
    uint32_t cArgs = 0;
    uint32_t cNamedArgs = 0;
};

struct EXCEPINFO {
    uint16_t wCode = 0;
    BSTR bstrSource = nullptr;
    BSTR bstrDescription = nullptr;
    HRESULT scode = S_OK;
};

struct IDispatch : IUnknown {
    static constexpr IID kIid = MakeGuid("{00020400-0000-0000-C000-000000000046}");
    virtual HRESULT GetTypeInfoCount(uint32_t* count) = 0;
    // DISP_E_UNKNOWNNAME (with DISPID_UNKNOWN in that slot) for a name the object lacks.
    virtual HRESULT GetIDsOfNames(const IID& reserved, const char16_t** names, uint32_t count,
                                  LCID locale, DISPID* ids) = 0;
    virtual HRESULT Invoke(DISPID id, const IID& reserved, LCID locale, uint16_t flags,
                           DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                           uint32_t* argumentError) = 0;
};

inline constexpr IID IID_NULL = GUID_NULL;

} // namespace vx
