#pragma once
// One disk of the package's Media table: its cabinet, opened through the IDE's cabinet service,
// and the folder into which files are extracted from it. A cabinet stored in the package
// ("#name") is first copied into the extraction folder and deleted again with this object; a
// cabinet beside the package is opened in place and never touched.
//
// A Cabinet value or stream name that would reach outside the package's folder or the
// extraction folder is refused (CComException, ERROR_INVALID_NAME) before anything is read or
// written.

#include "ide/services/interfaces/cabinet_service.h"
#include "platform/msi/msi_api.h"

#include <string>
#include <string_view>

namespace vx {

class CVxMsiMedia {
public:
    // Reads the Media row of diskId. Without a row the object stays empty (no cabinet, no
    // extraction service) and nothing is raised. Failures of the installer, of the cabinet
    // service and of the checks above raise CComException.
    CVxMsiMedia(MSIHANDLE database, int diskId, std::u16string extractionFolder,
                std::u16string packageFolder);
    ~CVxMsiMedia();
    CVxMsiMedia(const CVxMsiMedia&) = delete;
    CVxMsiMedia& operator=(const CVxMsiMedia&) = delete;

    const std::u16string& CabinetPath() const { return m_cabinetPath; }
    const std::u16string& ExtractionFolder() const { return m_extractionFolder; }
    bool Extracted() const { return m_extracted; }
    // Null for a disk without a Media row.
    ICabinetExtraction* ExtractionService() const { return m_extractionService.Get(); }

private:
    std::u16string m_cabinetPath;
    std::u16string m_extractionFolder;
    bool m_extracted = false;
    ComPtr<ICabinetExtraction> m_extractionService;
};

// Writes the Data of the _Streams row named streamName into the file targetPath (created or
// truncated). Without such a stream the file is left empty; nothing is reported, the following
// open of the cabinet fails instead. Answers the result of the read that ended the copy of an
// existing stream: not 0 when the package's bytes of the stream cannot be read (it is damaged).
UINT ExtractStream(MSIHANDLE database, std::u16string_view streamName,
                   std::u16string_view targetPath);

// Creates a cabinet service object from moduleName (empty: through CoCreateInstance).
HRESULT CreateServiceObject(std::u16string_view moduleName, const CLSID& clsid,
                            ICabinetService** object);

} // namespace vx
