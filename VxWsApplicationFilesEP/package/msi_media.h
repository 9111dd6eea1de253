#pragma once
// One disk of the package's Media table: its cabinet, and where files extracted from it go.
//
// Reading cabinets is not built yet: constructing a media object fails with E_NOTIMPL and the
// description below, so GetMedia and LocateOriginalFile fail clearly instead of answering
// something wrong.

#include "platform/msi/msi_api.h"

#include <string>

namespace vx {

inline constexpr char16_t kCabinetsNotAvailable[] =
    u"Reading original files from cabinets is not available yet";

class CVxMsiMedia {
public:
    CVxMsiMedia(MSIHANDLE database, int diskId, std::u16string extractionFolder,
                std::u16string packageFolder);
    CVxMsiMedia(const CVxMsiMedia&) = delete;
    CVxMsiMedia& operator=(const CVxMsiMedia&) = delete;

    const std::u16string& CabinetPath() const { return m_cabinetPath; }
    const std::u16string& ExtractionFolder() const { return m_extractionFolder; }

private:
    std::u16string m_cabinetPath;
    std::u16string m_extractionFolder;
    bool m_extracted = false;
};

// Publishes kCabinetsNotAvailable and throws CComException(E_NOTIMPL).
[[noreturn]] void ThrowCabinetsNotAvailable();

} // namespace vx
