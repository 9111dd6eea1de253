#pragma once
// The IDE's application-services object (module "VxAppServices.dll"): where the IDE keeps its
// own files and the display options the pages read.

#include "platform/com/bstr.h"
#include "platform/com/unknown.h"

#include <cstdint>

namespace vx {

inline constexpr char16_t kAppServicesModule[] = u"VxAppServices.dll";
inline constexpr CLSID CLSID_AppServices = MakeGuid("{FD4CCFF8-13A5-44AE-AE27-33D7F91B03FF}");

struct IAppServices : IUnknown {
    static constexpr IID kIid = MakeGuid("{94B47DE6-92F4-442B-9BEF-06FE3BAD95FB}");
    // The folder of the IDE's own files (its diagnostic log among them), created when missing.
    virtual HRESULT GetLogFolder(BSTR* folder) = 0;
    // 1 when the author asked the Select File dialog for a "Destination" column, else 0.
    virtual HRESULT GetDestinationColumnOption(int32_t* value) = 0;
};

} // namespace vx
