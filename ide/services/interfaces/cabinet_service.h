#pragma once
// The cabinet service (module "VxCommonServices.dll"): opens one cabinet file and hands out an
// extraction service that writes its members into folders. Failures answer an HRESULT and
// publish a description as the thread's error information.

#include "platform/com/bstr.h"
#include "platform/com/unknown.h"

#include <cstdint>

namespace vx {

inline constexpr char16_t kCommonServicesModule[] = u"VxCommonServices.dll";
inline constexpr CLSID CLSID_CabinetService = MakeGuid("{8EDCCCD5-E25E-4FBA-B563-687B2AD259CE}");

struct ICabinetExtraction : IUnknown {
    static constexpr IID kIid = MakeGuid("{99DFE31D-AEF4-401F-AEB8-B2E98BB6E53A}");
    // Writes the member named `member` into `folder` under that same name. A name that is not a
    // plain file name (empty, ".", "..", or holding '/') is refused.
    virtual HRESULT Extract(BSTR member, BSTR folder) = 0;
    // Writes the member to exactly `targetPath` (an existing folder must hold it); a symbolic
    // link at that path is not followed.
    virtual HRESULT ExtractToFile(BSTR member, BSTR targetPath) = 0;
    // The members in the order they are stored, so that a caller taking many decompresses each
    // folder of the cabinet once.
    virtual HRESULT GetMemberCount(uint32_t* count) = 0;
    virtual HRESULT GetMember(uint32_t index, BSTR* name, uint64_t* size) = 0;
};

struct ICabinetService : IUnknown {
    static constexpr IID kIid = MakeGuid("{B7383C15-FE0A-4A94-B10E-2B9215CFDE91}");
    // Opens the cabinet and checks its header and length; a missing, unreadable, damaged or
    // truncated cabinet fails here.
    virtual HRESULT Open(BSTR cabinetPath) = 0;
    // The extraction service of the opened cabinet (E_UNEXPECTED before a successful Open).
    virtual HRESULT GetExtractionService(ICabinetExtraction** extraction) = 0;
};

} // namespace vx
