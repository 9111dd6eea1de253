// Where an original file's bytes lie: beside the package for a file of the setup image, or a
// copy extracted from its cabinet into the package's extraction folder.

#include "VxWsApplicationFilesEP/package/msi_media.h"
#include "VxWsApplicationFilesEP/package/msi_package_itf.h"
#include "VxWsApplicationFilesEP/package/msi_path_resolver.h"
#include "VxWsApplicationFilesEP/package/safe_paths.h"
#include "VxWsApplicationFilesEP/package/table_columns.h"
#include "platform/com/com_exception.h"
#include "platform/sys/file_system.h"
#include "platform/sys/format_string.h"
#include "platform/sys/path_strings.h"
#include "platform/sys/wide_string.h"
#include "platform/sys/win32_errors.h"

#include <sys/stat.h>
#include <unistd.h>

namespace vx {
namespace {

constexpr int kAttributeUncompressed = 0x2000;
constexpr int kAttributeCompressed = 0x4000;
// Summary information: the word count, whose bit 1 makes files compressed by default.
constexpr UINT kWordCountProperty = 15;
constexpr int kWordCountCompressed = 0x2;

constexpr char16_t kTargetDir[] = u"TARGETDIR";

} // namespace

int ReadWordCount(MSIHANDLE database) {
    CMsiHandle summary;
    MsiGetSummaryInformationW(database, nullptr, 0, summary.Out());
    UINT type = 0;
    INT value = 0;
    MsiFileTime time;
    MsiSummaryInfoGetPropertyW(summary, kWordCountProperty, &type, &value, &time, nullptr, nullptr);
    return value;
}

bool IsCompressedFile(int attributes, CMsiPathResolver::CompressionRule rule, int wordCount) {
    const bool bitsKnown = attributes != MSI_NULL_INTEGER;
    if (bitsKnown && (attributes & kAttributeCompressed) != 0) {
        return true;
    }
    if (rule == CMsiPathResolver::CompressionRule::FileAttribute) {
        return false;
    }
    if (bitsKnown && (attributes & kAttributeUncompressed) != 0) {
        return false;
    }
    return (wordCount & kWordCountCompressed) != 0;
}

namespace {

[[noreturn]] void ThrowFailure(HRESULT hr, const std::u16string& description) {
    throw CComException(com_exception(hr, description));
}

} // namespace

bool CMsiPathResolver::IsCompressed(int attributes) const {
    const int wordCount =
        m_rule == CompressionRule::Installer ? ReadWordCount(m_package->GetDatabaseHandle()) : 0;
    return IsCompressedFile(attributes, m_rule, wordCount);
}

std::unique_ptr<FileLocation>
CMsiPathResolver::LocateOriginalFile(std::u16string_view fileKey) const {
    const CMsiRecord file = m_package->FindRecord(u"File", u"File", fileKey, u"");
    const std::u16string longName = LongName(file.GetString(kFileName));
    if (IsCompressed(file.GetInteger(kFileAttributes))) {
        return ExtractCompressedFile(file);
    }
    const CMsiRecord component =
        m_package->FindRecord(u"Component", u"Component", file.GetString(kFileComponent), u"");
    const std::u16string directory = component.GetString(kComponentDirectory);
    std::optional<std::vector<std::u16string>> segments;
    if (m_rule == CompressionRule::Installer && directory == kTargetDir) {
        segments.emplace(); // the installer reads TARGETDIR's own files at the source root
    } else {
        segments = SourceSegments(directory);
    }
    if (!segments) {
        ThrowUnsafePath(
            u"The file \"" + std::u16string(fileKey) + u"\" is not located: its source folder \"" +
            ResolveDirectory(directory, true) + u"\" does not lie in the package's folder.");
    }
    if (!longName.empty() && !IsPlainFileName(longName)) {
        ThrowUnsafePath(u"The file \"" + std::u16string(fileKey) +
                        u"\" is not located: its name \"" + longName +
                        u"\" is not a plain file name.");
    }
    if (!longName.empty()) {
        segments->push_back(longName);
    }
    auto location = std::make_unique<FileLocation>();
    location->path = JoinMatchingCase(m_package->GetPackageFolder(), *segments);
    location->extracted = false;
    return location;
}

std::unique_ptr<FileLocation>
CMsiPathResolver::ExtractCompressedFile(const CMsiRecord& fileRow) const {
    const std::u16string key = fileRow.GetString(kFileKey);
    if (!IsPlainFileName(key)) {
        ThrowUnsafePath(u"The file \"" + key +
                        u"\" is not extracted: its File key is not a plain "
                        u"file name, so its copy would not stay in the "
                        u"extraction folder.");
    }
    const std::u16string folder = CreateExtractionFolder();
    m_package->SetExtractFolder(folder);

    const int sequence = fileRow.GetInteger(kFileSequence);
    CMsiView* media = m_package->OpenTableView(u"Media", u"ORDER BY LastSequence");
    int diskId = 0;
    bool found = false;
    while (const CMsiRecord row = media->Fetch()) {
        if (row.GetInteger(kMediaLastSequence) >= sequence) {
            diskId = row.GetInteger(kMediaDiskId);
            found = true;
            break;
        }
    }
    if (!found) {
        ThrowFailure(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND),
                     u"The file \"" + key + u"\" (sequence " + FormatString(u"%d", sequence) +
                         u") lies on no disk: no Media row reaches that sequence.");
    }
    CVxMsiMedia* disk = m_package->GetMedia(diskId);
    ICabinetExtraction* extraction = disk->ExtractionService();
    if (!extraction) {
        ThrowFailure(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND),
                     u"The file \"" + key + u"\" cannot be extracted: disk " +
                         FormatString(u"%d", diskId) + u" has no cabinet.");
    }
    if (disk->ExtractionFolder().empty()) {
        ThrowUnsafePath(u"The file \"" + key + u"\" is not extracted: the cabinet of disk " +
                        FormatString(u"%d", diskId) + u" was opened without an extraction folder.");
    }
    const BStr member(key);
    const BStr target(disk->ExtractionFolder());
    ThrowIfFailed(extraction->Extract(member.Get(), target.Get()));

    auto location = std::make_unique<FileLocation>();
    location->path = disk->ExtractionFolder();
    AppendPathSegment(location->path, key, kNativeSeparator);
    location->extracted = true;
    return location;
}

std::u16string CMsiPathResolver::CreateExtractionFolder() const {
    const std::u16string code = m_package->GetPackageCode();
    if (!IsPlainFileName(code)) {
        ThrowUnsafePath(u"The package code \"" + code +
                        u"\" cannot name an extraction folder: it "
                        u"is not a plain file name.");
    }
    std::u16string folder = GetTempPath();
    AppendPathSegment(folder, code, kNativeSeparator);
    CreateDirectories(folder); // usually there from an earlier call
    struct stat st {};
    if (::lstat(Utf16ToUtf8(folder).c_str(), &st) != 0 || !S_ISDIR(st.st_mode) ||
        st.st_uid != ::geteuid()) {
        ThrowFailure(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED),
                     u"The extraction folder \"" + folder +
                         u"\" cannot be used: it is not a folder of this user's own.");
    }
    return folder;
}

} // namespace vx
