#include "VxWsApplicationFilesEP/common/help_service_access.h"

#include "ide/framework/service_object_loader.h"
#include "platform/com/com_exception.h"

namespace vx {

ComPtr<IHelpService> GetHelpService() {
    CLSID clsid;
    ThrowIfFailed(CLSIDFromString(kHelpManagerClassText, &clsid));
    ComPtr<IDispatch> manager;
    ThrowIfFailed(CreateServiceObject(kHelpManagerModule, clsid, manager));

    const char16_t* names[] = {kHelpApplicationProperty};
    DISPID id = DISPID_UNKNOWN;
    ThrowIfFailed(manager->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id));
    if (id <= 0) {
        return nullptr;
    }
    DISPPARAMS noArguments;
    Variant answer;
    ThrowIfFailed(manager->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET,
                                  &noArguments, answer.Get(), nullptr, nullptr));
    if (answer.Type() != VT_UNKNOWN) {
        ThrowIfFailed(E_UNEXPECTED);
    }
    IUnknown* application = answer.Get()->punkVal;
    if (!application) {
        return nullptr;
    }
    ComPtr<IHelpService> service;
    ThrowIfFailed(
        application->QueryInterface(IHelpService::kIid, service.ReleaseAndGetVoidAddress()));
    return service;
}

bool ShowHelpTopic(std::u16string_view topic, void* ownerWindow) {
    const ComPtr<IHelpService> service = GetHelpService();
    if (!service) {
        return false;
    }
    BStr text(topic);
    ThrowIfFailed(service->ShowTopic(text.Get(), ownerWindow, 0, 0, 0));
    return true;
}

} // namespace vx
