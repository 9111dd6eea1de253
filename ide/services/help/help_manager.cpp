#include "ide/services/help/help_manager.h"

#include "platform/com/com_exception.h"
#include "platform/sys/wide_string.h"

#include <string>

namespace vx {
namespace {

// The viewer the IDE registered; kept for the process (never destroyed, so no release runs
// after the program's own objects are gone).
ComPtr<IHelpTopicViewer>& RegisteredViewer() {
    static auto* viewer = new ComPtr<IHelpTopicViewer>;
    return *viewer;
}

} // namespace

HRESULT CHelpManager::GetTypeInfoCount(uint32_t* count) {
    if (!count) {
        return E_POINTER;
    }
    *count = 0; // no type information: names are looked up through GetIDsOfNames only
    return S_OK;
}

HRESULT CHelpManager::GetIDsOfNames(const IID&, const char16_t** names, uint32_t count, LCID,
                                    DISPID* ids) {
    if (!names || !ids) {
        return E_POINTER;
    }
    HRESULT hr = S_OK;
    for (uint32_t i = 0; i < count; ++i) {
        // Names compare without regard to case, as automation names do.
        if (names[i] && EqualsIgnoreAsciiCase(names[i], kHelpApplicationProperty)) {
            ids[i] = kApplicationDispId;
        } else {
            ids[i] = DISPID_UNKNOWN;
            hr = DISP_E_UNKNOWNNAME;
        }
    }
    return hr;
}

HRESULT CHelpManager::Invoke(DISPID id, const IID&, LCID, uint16_t flags, DISPPARAMS* params,
                             VARIANT* result, EXCEPINFO*, uint32_t*) {
    if (id != kApplicationDispId) {
        return DISP_E_MEMBERNOTFOUND;
    }
    if ((flags & DISPATCH_PROPERTYGET) == 0) {
        return DISP_E_MEMBERNOTFOUND; // the property is read-only
    }
    if (params && params->cArgs != 0) {
        return DISP_E_BADPARAMCOUNT;
    }
    if (!result) {
        return E_POINTER;
    }
    VariantClear(result);
    result->vt = VT_UNKNOWN;
    result->punkVal = static_cast<IHelpService*>(MakeComObject<CHelpApplication>().Detach());
    return S_OK;
}

HRESULT CHelpManager::SetViewer(IHelpTopicViewer* viewer) {
    RegisteredViewer() = viewer;
    return S_OK;
}

HRESULT CHelpApplication::ShowTopic(BSTR topic, void* ownerWindow, int32_t, int32_t, int32_t) {
    const std::u16string name = topic ? std::u16string(topic, SysStringLen(topic)) : u"";
    if (name.empty()) {
        return FailWithDescription(E_INVALIDARG, u"No help topic was named.");
    }
    const ComPtr<IHelpTopicViewer> viewer = RegisteredViewer();
    if (!viewer) {
        return FailWithDescription(
            E_FAIL, u"The help topic \"" + name +
                        u"\" cannot be shown: the IDE has registered no help viewer.");
    }
    return viewer->ShowTopic(topic, ownerWindow);
}

} // namespace vx
