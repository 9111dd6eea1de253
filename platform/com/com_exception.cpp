#include "platform/com/com_exception.h"

#include "platform/com/class_factory.h"
#include "platform/com/error_info.h"
#include "platform/sys/system_messages.h"
#include "platform/sys/wide_string.h"

#include <algorithm>

namespace vx {
namespace {

void CopyTruncated(const std::u16string& text, char16_t* buffer, uint32_t maxChars) {
    if (!buffer || maxChars == 0) {
        return;
    }
    const size_t count = std::min<size_t>(text.size(), maxChars - 1);
    std::copy_n(text.data(), count, buffer);
    buffer[count] = 0;
}

} // namespace

bool CException::GetErrorMessage(char16_t* buffer, uint32_t maxChars, uint32_t*) const {
    CopyTruncated(std::u16string(), buffer, maxChars);
    return false;
}

com_exception::com_exception(HRESULT hr_) : hr(hr_), iid(GUID_NULL), clsid(GUID_NULL) {
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.ReleaseAndGetAddressOf()) == S_OK && info) {
        BStr text;
        if (SUCCEEDED(info->GetDescription(text.Out()))) {
            description = text.ToString();
        }
        info->GetGUID(&iid);
        if (SUCCEEDED(info->GetSource(text.Out()))) {
            source = text.ToString();
        }
        if (FAILED(CLSIDFromProgID(source.c_str(), &clsid))) {
            clsid = GUID_NULL;
        }
    } else {
        description = SystemMessageText(static_cast<uint32_t>(hr)).value_or(u"Unknown error");
    }
    UpdateWhat();
}

com_exception::com_exception(HRESULT hr_, std::u16string description_, std::u16string source_,
                             const IID& iid_, const CLSID& clsid_)
    : hr(hr_), iid(iid_), clsid(clsid_), description(std::move(description_)),
      source(std::move(source_)) {
    UpdateWhat();
}

void com_exception::UpdateWhat() {
    m_what = Utf16ToUtf8(description);
}

bool CComException::GetErrorMessage(char16_t* buffer, uint32_t maxChars, uint32_t*) const {
    CopyTruncated(m_error.description, buffer, maxChars);
    return true;
}

void ThrowIfFailed(HRESULT hr) {
    if (FAILED(hr)) {
        throw CComException(com_exception(hr));
    }
}

void PublishErrorDescription(const std::u16string& description) {
    ComPtr<ICreateErrorInfo> create;
    ThrowIfFailed(CreateErrorInfo(create.ReleaseAndGetAddressOf()));
    ThrowIfFailed(create->SetDescription(description.c_str()));
    ComPtr<IErrorInfo> info;
    ThrowIfFailed(create.As(info));
    ThrowIfFailed(SetErrorInfo(0, info.Get()));
}

HRESULT FailWithDescription(HRESULT hr, const std::u16string& description) noexcept {
    try {
        PublishErrorDescription(description);
    } catch (...) {
        // The failure itself still reaches the caller, only without its text.
    }
    return hr;
}

} // namespace vx
