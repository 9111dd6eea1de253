#include "VxWsApplicationFilesEP/package/source_layout.h"

#include "VxWsApplicationFilesEP/package/safe_paths.h"
#include "VxWsApplicationFilesEP/package/table_columns.h"
#include "platform/com/com_exception.h"
#include "platform/sys/path_strings.h"

namespace vx {
namespace {

constexpr UINT kFileSize = 4;
constexpr char16_t kTargetDir[] = u"TARGETDIR";

} // namespace

CSourceLayout::CSourceLayout(CVxMsiPackage& package) : m_package(package) {}

const std::optional<std::vector<std::u16string>>&
CSourceLayout::FolderOf(const std::u16string& directory) {
    auto folder = m_folders.find(directory);
    if (folder == m_folders.end()) {
        // TARGETDIR's own files lie at the root (the package's folder stands for it); so do
        // those of a folder whose walk found no row at all.
        auto segments = directory == kTargetDir
                            ? std::optional<std::vector<std::u16string>>(std::in_place)
                            : m_package.Resolver().SourceSegments(directory);
        folder = m_folders.emplace(directory, std::move(segments)).first;
    }
    return folder->second;
}

std::vector<SourceFile> CSourceLayout::ReadFiles() {
    const int wordCount = ReadWordCount(m_package.GetDatabaseHandle());
    std::vector<SourceFile> files;
    CMsiView* view = m_package.OpenTableView(u"File", u"");
    while (const CMsiRecord row = view->Fetch()) {
        SourceFile file;
        file.key = row.GetString(kFileKey);
        file.name = LongName(row.GetString(kFileName));
        file.component = row.GetString(kFileComponent);
        file.size = row.GetInteger(kFileSize);
        file.version = row.GetString(kFileVersion);
        file.sequence = row.GetInteger(kFileSequence);
        file.compressed = IsCompressedFile(row.GetInteger(kFileAttributes),
                                           CMsiPathResolver::CompressionRule::Installer, wordCount);
        auto directory = m_componentFolders.find(file.component);
        if (directory == m_componentFolders.end()) {
            const CMsiRecord component =
                m_package.FindRecord(u"Component", u"Component", file.component, u"");
            directory =
                m_componentFolders.emplace(file.component, component.GetString(kComponentDirectory))
                    .first;
        }
        file.directory = directory->second;
        const auto& folder = FolderOf(file.directory);
        if (!folder) {
            file.unplaced = u"its folder \"" +
                            m_package.Resolver().ResolveDirectory(file.directory, true) +
                            u"\" would lie outside the folder";
        } else if (!IsPlainFileName(file.name)) {
            file.unplaced = u"its name \"" + file.name + u"\" is not a plain file name";
        } else {
            file.segments = *folder;
            file.segments.push_back(file.name);
        }
        files.push_back(std::move(file));
    }
    return files;
}

std::vector<std::pair<int, int>> CSourceLayout::ReadDisks() {
    std::vector<std::pair<int, int>> disks;
    CMsiView* media = m_package.OpenTableView(u"Media", u"ORDER BY LastSequence");
    while (const CMsiRecord row = media->Fetch()) {
        disks.emplace_back(row.GetInteger(kMediaDiskId), row.GetInteger(kMediaLastSequence));
    }
    return disks;
}

std::optional<size_t> DiskIndexOf(const std::vector<std::pair<int, int>>& disks, int sequence) {
    for (size_t d = 0; d < disks.size(); ++d) {
        if (disks[d].second >= sequence) {
            return d;
        }
    }
    return std::nullopt;
}

void ForEachWantedMember(
    ICabinetExtraction* extraction, std::unordered_map<std::u16string, size_t>& wanted,
    const std::function<void(const std::u16string& name, uint64_t size, size_t index)>& visit) {
    uint32_t count = 0;
    ThrowIfFailed(extraction->GetMemberCount(&count));
    for (uint32_t i = 0; i < count && !wanted.empty(); ++i) {
        BStr name;
        uint64_t size = 0;
        ThrowIfFailed(extraction->GetMember(i, name.Out(), &size));
        const auto found = wanted.find(name.ToString());
        if (found == wanted.end()) {
            continue;
        }
        const size_t index = found->second;
        const std::u16string member = found->first;
        wanted.erase(found);
        visit(member, size, index);
    }
}

std::u16string JoinSegments(std::u16string root, const std::vector<std::u16string>& segments) {
    for (const auto& segment : segments) {
        AppendPathSegment(root, segment, kNativeSeparator);
    }
    return root;
}

} // namespace vx
