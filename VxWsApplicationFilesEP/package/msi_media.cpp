#include "VxWsApplicationFilesEP/package/msi_media.h"

#include "ide/framework/service_object_loader.h"
#include "VxWsApplicationFilesEP/package/msi_handles.h"
#include "VxWsApplicationFilesEP/package/safe_paths.h"
#include "platform/com/com_exception.h"
#include "platform/sys/file_system.h"
#include "platform/sys/format_string.h"
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
    if (QueryFirstRecord(view, database, row, u"SELECT * FROM Media WHERE `DiskId`=?",
                         {int32_t{diskId}}) != ERROR_SUCCESS) {
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
        if (const UINT read = ExtractStream(database, streamName, m_cabinetPath);
            read != ERROR_SUCCESS) {
            // Left to the cabinet's open, this would read as a damaged cabinet file; the package
            // itself is what is damaged.
            const std::u16string detail = MsiLastFailureDetail();
            DeleteFile(m_cabinetPath);
            throw CComException(com_exception(
                HRESULT_FROM_WIN32(read),
                u"The cabinet \"" + cabinet + u"\" of disk " + FormatString(u"%d", diskId) +
                    u" cannot be read from the package: its stream is damaged" +
                    (detail.empty() ? u"." : u" (" + detail + u").")));
        }
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

UINT ExtractStream(MSIHANDLE database, std::u16string_view streamName,
                   std::u16string_view targetPath) {
    CMsiView view;
    view.OpenView(database, u"SELECT * FROM _Streams WHERE Name = ? ");
    const CMsiRecord record = view.ExecuteWithString(streamName);
    const UINT read = WriteStreamToFile(record.Handle(), kStreamDataField, targetPath);
    return record.HasRow() ? read : ERROR_SUCCESS;
}

HRESULT CreateServiceObject(std::u16string_view moduleName, const CLSID& clsid,
                            ICabinetService** object) {
    return CreateServiceObject(moduleName, clsid, ICabinetService::kIid,
                               reinterpret_cast<void**>(object));
}

} // namespace vx
