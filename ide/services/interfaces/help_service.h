#pragma once
// The help object manager (module "VXObjMgr.dll") and the help service it leads to. The manager
// is an IDispatch whose property "pApp" is an object offering IHelpService; the service hands
// each topic to the viewer the IDE registered, so the module needs no window of its own.

#include "platform/com/bstr.h"
#include "platform/com/dispatch.h"

#include <cstdint>

namespace vx {

inline constexpr char16_t kHelpManagerModule[] = u"VXObjMgr.dll";
// Given as text and converted with CLSIDFromString, as the pages do.
inline constexpr char16_t kHelpManagerClassText[] = u"{DE5FBA5D-8AB0-4a53-B620-F2065702D228}";
inline constexpr char16_t kHelpApplicationProperty[] = u"pApp";

struct IHelpService : IUnknown {
    static constexpr IID kIid = MakeGuid("{978E513A-2F36-4A7C-B71A-7E3870409A3F}");
    // Shows the topic (a file name such as "KMApplicationFiles.htm") for the owner window; the
    // three reserved arguments are 0.
    virtual HRESULT ShowTopic(BSTR topic, void* ownerWindow, int32_t reserved1, int32_t reserved2,
                              int32_t reserved3) = 0;
};

// What the IDE registers to actually show topics (its help window; a recorder in tests).
struct IHelpTopicViewer : IUnknown {
    static constexpr IID kIid = MakeGuid("{F4C9C40A-8411-493D-B8F0-ED2308C9C982}");
    virtual HRESULT ShowTopic(BSTR topic, void* ownerWindow) = 0;
};

// Offered by the help object manager: the viewer stays registered for the process (a null
// viewer removes it). Without a viewer, ShowTopic fails.
struct IHelpViewerRegistry : IUnknown {
    static constexpr IID kIid = MakeGuid("{FEE6A0AA-BEF9-47B8-9CF4-F6EED375558F}");
    virtual HRESULT SetViewer(IHelpTopicViewer* viewer) = 0;
};

} // namespace vx
