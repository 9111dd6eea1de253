#pragma once
// The help object manager and the help application object behind its "pApp" property.

#include "ide/services/interfaces/help_service.h"

namespace vx {

inline constexpr DISPID kApplicationDispId = 1;

class CHelpManager final : public ComObject<CHelpManager, IDispatch, IHelpViewerRegistry> {
public:
    HRESULT GetTypeInfoCount(uint32_t* count) override;
    HRESULT GetIDsOfNames(const IID& reserved, const char16_t** names, uint32_t count, LCID locale,
                          DISPID* ids) override;
    HRESULT Invoke(DISPID id, const IID& reserved, LCID locale, uint16_t flags, DISPPARAMS* params,
                   VARIANT* result, EXCEPINFO* exception, uint32_t* argumentError) override;
    HRESULT SetViewer(IHelpTopicViewer* viewer) override;
};

class CHelpApplication final : public ComObject<CHelpApplication, IHelpService> {
public:
    HRESULT ShowTopic(BSTR topic, void* ownerWindow, int32_t reserved1, int32_t reserved2,
                      int32_t reserved3) override;
};

} // namespace vx
