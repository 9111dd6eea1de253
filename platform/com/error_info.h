#pragma once
// The thread's COM error information: an error object published with SetErrorInfo is read
// (and taken away) by the next GetErrorInfo on the same thread.

#include "platform/com/bstr.h"
#include "platform/com/unknown.h"

namespace vx {

struct IErrorInfo : IUnknown {
    static constexpr IID kIid = MakeGuid("{1CF2B120-547D-101B-8E65-08002B2BD119}");
    virtual HRESULT GetGUID(GUID* guid) = 0;
    virtual HRESULT GetSource(BSTR* source) = 0;
    virtual HRESULT GetDescription(BSTR* description) = 0;
    virtual HRESULT GetHelpFile(BSTR* helpFile) = 0;
    virtual HRESULT GetHelpContext(DWORD* helpContext) = 0;
};

struct ICreateErrorInfo : IUnknown {
    static constexpr IID kIid = MakeGuid("{22F03340-547D-101B-8E65-08002B2BD119}");
    virtual HRESULT SetGUID(const GUID& guid) = 0;
    virtual HRESULT SetSource(const char16_t* source) = 0;
    virtual HRESULT SetDescription(const char16_t* description) = 0;
    virtual HRESULT SetHelpFile(const char16_t* helpFile) = 0;
    virtual HRESULT SetHelpContext(DWORD helpContext) = 0;
};

HRESULT CreateErrorInfo(ICreateErrorInfo** errorInfo);
// `reserved` must be 0. A null object clears the thread's error information.
HRESULT SetErrorInfo(DWORD reserved, IErrorInfo* errorInfo);
// S_OK with the object (and the thread's slot cleared), or S_FALSE with null when there is none.
HRESULT GetErrorInfo(DWORD reserved, IErrorInfo** errorInfo);

} // namespace vx
