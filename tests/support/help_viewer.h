#pragma once
// A help viewer that records the topics it is asked to show, set as the viewer of the build's
// help object manager as the IDE sets its help window.

#include "ide/framework/service_object_loader.h"
#include "ide/services/interfaces/help_service.h"
#include "platform/com/com_exception.h"

#include <string>
#include <vector>

namespace vx::testing {

class RecordingViewer final : public ComObject<RecordingViewer, IHelpTopicViewer> {
public:
    HRESULT ShowTopic(BSTR topic, void* owner) override {
        topics.emplace_back(topic, SysStringLen(topic));
        owners.push_back(owner);
        return S_OK;
    }
    std::vector<std::u16string> topics;
    std::vector<void*> owners;
};

inline ComPtr<IDispatch> HelpManager() {
    CLSID clsid;
    ThrowIfFailed(CLSIDFromString(kHelpManagerClassText, &clsid));
    ComPtr<IDispatch> manager;
    ThrowIfFailed(CreateServiceObject(kHelpManagerModule, clsid, manager));
    return manager;
}

// The viewer the manager hands topics to; none when null.
inline void SetHelpViewer(IHelpTopicViewer* viewer) {
    ComPtr<IHelpViewerRegistry> registry;
    ThrowIfFailed(HelpManager().As(registry));
    ThrowIfFailed(registry->SetViewer(viewer));
}

} // namespace vx::testing
