#include "ide/automation/project_errors.h"

#include "platform/com/error_info.h"

namespace vx {

HRESULT PublishFailure(HRESULT hr, const std::u16string& description) {
    ComPtr<ICreateErrorInfo> create;
    if (SUCCEEDED(CreateErrorInfo(create.ReleaseAndGetAddressOf()))) {
        create->SetDescription(description.c_str());
        create->SetSource(u"VxmAuto.Project");
        ComPtr<IErrorInfo> info;
        if (SUCCEEDED(create.As(info))) {
            SetErrorInfo(0, info.Get());
        }
    }
    return hr;
}

} // namespace vx
