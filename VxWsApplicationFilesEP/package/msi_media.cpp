#include "VxWsApplicationFilesEP/package/msi_media.h"

#include "ide/framework/service_object_loader.h"
#include "VxWsApplicationFilesEP/package/msi_handles.h"
#include "VxWsApplicationFilesEP/package/safe_paths.h"
#include "platform/com/com_exception.h"
#include "platform/sys/file_system.h"
#include "platform/sys/path_strings.h"

namespace vx {
namespace {

constexpr UINT kCabinetField = 4;
constexpr UINT kStreamDataField = 2;
constexpr char16_t kEmbeddedMark = u'#';

} // namespace

CVxMsiMedia::CVxMsiMedia(MSIHANDLE database, int diskId, std::u16string extractionFolder,
                         std::u16string packageFolder)
    : m_extractionFolder(std::move(extractionFolder)) {
    CMsiHandle view;
    CMsiRecord row;
    if (QueryFirstRecord(view, database, row, u"SELECT * FROM Media WHERE `DiskId`=%d", diskId) !=
        ERROR_SUCCESS) {
        return;
    }
    const std::u16string cabinet = row.GetString(kCabinetField);
    if (!cabinet.empty() && cabinet.front() == kEmbeddedMark) {
        const std::u16string streamName = cabinet.substr(1);
        if (!IsPlainFileName(streamName)) {
            ThrowUnsafePath(u"The cabinet \"" + cabinet + u"\" of disk " +
                            FormatString(u"%d", diskId) +
                            u" is not extracted: its stream name is not a plain file name, so "
                            u"it would not stay in the extraction folder.");
        }
        if (m_extractionFolder.empty()) {
            // Joined to nothing, the cabinet would land in the root folder.
            ThrowUnsafePath(u"The cabinet \"" + cabinet + u"\" of disk " +
                            FormatString(u"%d", diskId) +
                            u" is not extracted: the package has no extraction folder yet.");
        }
        m_cabinetPath = m_extractionFolder;
        AppendPathSegment(m_cabinetPath, streamName, kNativeSeparator);
        ExtractStream(database, streamName, m_cabinetPath);
        m_extracted = true;
    } else {
        const auto segments = RelativeSegments(cabinet);
        if (!segments) {
            ThrowUnsafePath(u"The cabinet \"" + cabinet + u"\" of disk " +
                            FormatString(u"%d", diskId) +
                            u" is not opened: it does not lie in the package's folder.");
        }
        m_cabinetPath = JoinMatchingCase(std::move(packageFolder), *segments);
    }

    try {
        ComPtr<ICabinetService> service;
        ThrowIfFailed(CreateServiceObject(kCommonServicesModule, CLSID_CabinetService,
                                          service.ReleaseAndGetAddressOf()));
        const BStr path(m_cabinetPath);
        ThrowIfFailed(service->Open(path.Get()));
        ThrowIfFailed(service->GetExtractionService(m_extractionService.ReleaseAndGetAddressOf()));
    } catch (const CException&) {
        // A cabinet copied out for this object goes with it, even when it could not be opened.
        if (m_extracted) {
            DeleteFile(m_cabinetPath);
        }
        throw;
    }
}

CVxMsiMedia::~CVxMsiMedia() {
    if (m_extracted) {
        DeleteFile(m_cabinetPath);
    }
    m_extractionService.Reset();
}

void ExtractStream(MSIHANDLE database, std::u16string_view streamName,
                   std::u16string_view targetPath) {
    CMsiView view;
    view.OpenView(database,
                  FormatString(u"SELECT * FROM %s WHERE %s = ? %s", u"_Streams", u"Name", u""));
    const CMsiRecord record = view.ExecuteWithString(std::u16string(streamName));
    WriteStreamToFile(record.Handle(), kStreamDataField, targetPath);
}

HRESULT CreateServiceObject(std::u16string_view moduleName, const CLSID& clsid,
                            ICabinetService** object) {
    return CreateServiceObject(moduleName, clsid, ICabinetService::kIid,
                               reinterpret_cast<void**>(object));
}

} // namespace vx
