#include "platform/com/error_info.h"

#include "platform/com/thread_error_slot.h"

#include <string>
#include <utility>

namespace vx {
namespace {

class ErrorInfo final : public ComObject<ErrorInfo, IErrorInfo, ICreateErrorInfo> {
public:
    HRESULT GetGUID(GUID* guid) override { return Copy(m_guid, guid); }
    HRESULT GetSource(BSTR* source) override { return Copy(m_source, source); }
    HRESULT GetDescription(BSTR* description) override { return Copy(m_description, description); }
    HRESULT GetHelpFile(BSTR* helpFile) override { return Copy(m_helpFile, helpFile); }
    HRESULT GetHelpContext(DWORD* helpContext) override { return Copy(m_helpContext, helpContext); }

    HRESULT SetGUID(const GUID& guid) override {
        m_guid = guid;
        return S_OK;
    }
    HRESULT SetSource(const char16_t* source) override { return Assign(m_source, source); }
    HRESULT SetDescription(const char16_t* description) override {
        return Assign(m_description, description);
    }
    HRESULT SetHelpFile(const char16_t* helpFile) override { return Assign(m_helpFile, helpFile); }
    HRESULT SetHelpContext(DWORD helpContext) override {
        m_helpContext = helpContext;
        return S_OK;
    }

private:
    template <class T>
    static HRESULT Copy(const T& value, T* out) {
        if (!out) {
            return E_POINTER;
        }
        *out = value;
        return S_OK;
    }
    static HRESULT Copy(const std::u16string& value, BSTR* out) {
        if (!out) {
            return E_POINTER;
        }
        *out = SysAllocStringView(value);
        return *out ? S_OK : E_OUTOFMEMORY;
    }
    static HRESULT Assign(std::u16string& field, const char16_t* value) {
        field = value ? value : u"";
        return S_OK;
    }

    GUID m_guid;
    std::u16string m_source;
    std::u16string m_description;
    std::u16string m_helpFile;
    DWORD m_helpContext = 0;
};

} // namespace

HRESULT CreateErrorInfo(ICreateErrorInfo** errorInfo) {
    if (!errorInfo) {
        return E_INVALIDARG;
    }
    *errorInfo = MakeComObject<ErrorInfo>().Detach();
    return S_OK;
}

HRESULT SetErrorInfo(DWORD reserved, IErrorInfo* errorInfo) {
    if (reserved != 0) {
        return E_INVALIDARG;
    }
    if (errorInfo) {
        errorInfo->AddRef();
    }
    IUnknown* previous = std::exchange(detail::ThreadErrorSlot(), errorInfo);
    if (previous) {
        previous->Release();
    }
    return S_OK;
}

HRESULT GetErrorInfo(DWORD reserved, IErrorInfo** errorInfo) {
    if (!errorInfo) {
        return E_INVALIDARG;
    }
    *errorInfo = nullptr;
    if (reserved != 0) {
        return E_INVALIDARG;
    }
    IUnknown* held = std::exchange(detail::ThreadErrorSlot(), nullptr);
    if (!held) {
        return S_FALSE;
    }
    // Only SetErrorInfo fills the slot, always with an IErrorInfo.
    *errorInfo = static_cast<IErrorInfo*>(held);
    return S_OK;
}

} // namespace vx
