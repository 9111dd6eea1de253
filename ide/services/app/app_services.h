#pragma once
// The application-services object: the IDE's log folder and its display options.

#include "ide/services/interfaces/app_services.h"

namespace vx {

// Section and value of the destination-column option in the IDE's settings file.
inline constexpr char16_t kSelectFileSection[] = u"SelectFile";
inline constexpr char16_t kDestinationColumnValue[] = u"DestinationColumn";

class CAppServices final : public ComObject<CAppServices, IAppServices> {
public:
    // The state folder, created (with its parents) when missing.
    HRESULT GetLogFolder(BSTR* folder) override;
    // The option's integer value; 0 when the file or value is missing or not a number.
    HRESULT GetDestinationColumnOption(int32_t* value) override;
};

} // namespace vx
