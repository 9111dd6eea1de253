#include "VxWsApplicationFilesEP/scan/update_scan.h"

#include "VxWsApplicationFilesEP/package/msi_errors.h"
#include "VxWsApplicationFilesEP/package/package_kind.h"
#include "VxWsApplicationFilesEP/package/safe_paths.h"
#include "VxWsApplicationFilesEP/package/source_layout.h"
#include "VxWsApplicationFilesEP/package/table_columns.h"
#include "VxWsApplicationFilesEP/scan/file_content.h"
#include "VxWsApplicationFilesEP/scan/folder_walk.h"
#include "platform/com/com_exception.h"
#include "platform/msi/file_version.h"
#include "platform/sys/file_system.h"
#include "platform/sys/format_string.h"
#include "platform/sys/letter_case.h"
#include "platform/sys/path_strings.h"
#include "platform/sys/wide_string.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <unordered_map>
#include <unordered_set>

namespace vx {
namespace {

constexpr size_t kAmbiguous = SIZE_MAX;

// MsiFileHash: File_, Options, HashPart1..4.
constexpr UINT kHashFile = 1;
constexpr UINT kHashPart1 = 3;

// A file version as the installer compares them: up to four decimal fields, missing ones 0.
// Anything else in the Version column (a companion file's key, nothing) is no version.
using VersionFields = std::array<uint64_t, 4>;

std::optional<VersionFields> ParseFileVersion(std::u16string_view text) {
    VersionFields fields{};
    size_t field = 0;
    bool digits = false;
    for (const char16_t c : text) {
        if (c == u'.') {
            if (!digits || ++field == fields.size()) {
                return std::nullopt;
            }
            digits = false;
        } else if (c >= u'0' && c <= u'9') {
            fields[field] = fields[field] * 10 + static_cast<uint64_t>(c - u'0');
            if (fields[field] > UINT32_MAX) {
                return std::nullopt;
            }
            digits = true;
        } else {
            return std::nullopt;
        }
    }
    if (!digits) {
        return std::nullopt;
    }
    return fields;
}

std::u32string Folded(std::u16string_view text) {
    std::u32string folded;
    folded.reserve(text.size());
    ForEachFoldedCharacter(text, [&](char32_t c) { folded.push_back(c); });
    return folded;
}

std::u16string JoinRelative(const std::vector<std::u16string>& segments) {
    std::u16string joined;
    for (const auto& segment : segments) {
        if (!joined.empty()) {
            joined += u'/';
        }
        joined += segment;
    }
    return joined;
}

std::u16string ParentOf(std::u16string_view relative) {
    const size_t slash = relative.rfind(u'/');
    return std::u16string(slash == std::u16string_view::npos ? u"" : relative.substr(0, slash));
}

// Absolute and without "." and ".." segments: the folder's paths become the entries' updated
// files, and the same file should always be written the same way.
std::u16string AbsoluteFrom(const std::u16string& path) {
    std::u16string absolute = path;
    if (absolute.empty() || absolute.front() != kNativeSeparator) {
        absolute = GetCurrentDirectory();
        AppendPathSegment(absolute, path, kNativeSeparator);
    }
    std::string normal = std::filesystem::path(Utf16ToUtf8(absolute)).lexically_normal().string();
    while (normal.size() > 1 && normal.back() == '/') {
        normal.pop_back();
    }
    return Utf8ToUtf16(normal);
}

std::u16string FailureText(const CException& failure) {
    std::u16string buffer(4096, u'\0');
    failure.GetErrorMessage(buffer.data(), static_cast<uint32_t>(buffer.size()));
    buffer.resize(std::char_traits<char16_t>::length(buffer.data()));
    while (!buffer.empty() && (buffer.back() == u'\n' || buffer.back() == u'\r')) {
        buffer.pop_back();
    }
    return buffer.empty() ? u"Unknown error" : buffer;
}

constexpr char16_t kKeepsInstalled[] =
    u", so the installer's versioning rules would keep the installed file: the entry overwrites";

// Removes what the scan extracted, whatever way it leaves.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::u16string& parent) {
        std::string pattern = Utf16ToUtf8(parent) + "/scan-XXXXXX";
        if (::mkdtemp(pattern.data())) {
            m_path = Utf8ToUtf16(pattern);
        }
    }
    ~ScratchFolder() {
        if (!m_path.empty()) {
            RemoveDirectory(m_path);
        }
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::u16string& Path() const { return m_path; }

private:
    std::u16string m_path;
};

class ScanRun {
public:
    ScanRun(const std::u16string& packagePath, const std::u16string& folder,
            const ScanProgress& progress);
    ScanResult Run();

private:
    struct Cancelled {};

    void ReadHashRows();
    void MatchFolderFiles();
    std::optional<size_t> FindInFolder(const std::u16string& relative) const;
    void ClassifyByVersionAndSize(size_t index);
    void CompareContent(size_t index);
    void CompareWithOriginal(size_t index, const std::string& original);
    void CompareCompressed(const std::vector<size_t>& files);
    void CompareDisk(int diskId, const std::u16string& scratch, const std::vector<size_t>& files);
    void AddNewFiles();
    std::u16string DirectoryFor(const std::u16string& relativeFolder, std::u16string& detail);

    void Changed(size_t index, ChangeReason reason, std::u16string detail);
    void Decided();
    void Fail(size_t index, std::u16string detail) {
        m_result.files[index].status = ScanStatus::Failed;
        m_result.files[index].detail = std::move(detail);
        Decided();
    }

    std::unique_ptr<CVxMsiPackage> m_package;
    std::unique_ptr<CSourceLayout> m_layout;
    std::vector<SourceFile> m_sources;
    const ScanProgress& m_progress;
    ScanResult m_result;
    FolderWalk m_walk;
    std::unordered_map<std::u16string, size_t> m_exact;
    std::unordered_map<std::u32string, size_t> m_folded;
    std::vector<bool> m_claimed;
    std::unordered_map<std::u16string, FileHashParts> m_hashes;
    std::vector<std::optional<Md5Digest>> m_folderDigests; // by file, where one was taken
    std::vector<bool> m_versioned;                         // by file
    std::vector<size_t> m_originalNeeded;
    CFileContent m_content;
    uint64_t m_done = 0;
    // New files' folders: folded source path -> Directory key, built on first need.
    std::optional<std::unordered_map<std::u32string, std::u16string>> m_directories;
};

ScanRun::ScanRun(const std::u16string& packagePath, const std::u16string& folder,
                 const ScanProgress& progress)
    : m_progress(progress) {
    m_result.packagePath = AbsoluteFrom(packagePath);
    m_result.folder = AbsoluteFrom(folder);
}

void ScanRun::ReadHashRows() {
    if (!m_package->TableExists(u"MsiFileHash")) {
        return;
    }
    CMsiView* view = m_package->OpenTableView(u"MsiFileHash", u"");
    while (const CMsiRecord row = view->Fetch()) {
        FileHashParts parts{};
        for (UINT i = 0; i < parts.size(); ++i) {
            parts[i] = row.GetInteger(kHashPart1 + i);
        }
        m_hashes.emplace(row.GetString(kHashFile), parts);
    }
}

void ScanRun::MatchFolderFiles() {
    m_walk = WalkFolder(m_result.folder);
    m_claimed.assign(m_walk.files.size(), false);
    m_exact.reserve(m_walk.files.size());
    m_folded.reserve(m_walk.files.size());
    for (size_t i = 0; i < m_walk.files.size(); ++i) {
        const FolderFile& file = m_walk.files[i];
        if (!file.nameReadable) {
            continue;
        }
        m_exact.emplace(file.relative, i);
        // Windows names ignore letter case; two entries that differ only by it leave the choice
        // open, and a guess would compare the wrong file.
        const auto [slot, inserted] = m_folded.emplace(Folded(file.relative), i);
        if (!inserted) {
            slot->second = kAmbiguous;
        }
    }
}

std::optional<size_t> ScanRun::FindInFolder(const std::u16string& relative) const {
    if (const auto exact = m_exact.find(relative); exact != m_exact.end()) {
        return exact->second;
    }
    if (const auto folded = m_folded.find(Folded(relative));
        folded != m_folded.end() && folded->second != kAmbiguous) {
        return folded->second;
    }
    return std::nullopt;
}

void ScanRun::Decided() {
    ++m_done;
    if (m_progress && !m_progress(m_done, m_sources.size(), m_content.BytesRead())) {
        throw Cancelled{};
    }
}

void ScanRun::Changed(size_t index, ChangeReason reason, std::u16string detail) {
    ScannedFile& file = m_result.files[index];
    file.status = ScanStatus::Changed;
    file.reason = reason;
    file.detail = std::move(detail);
    Decided();
}

void ScanRun::ClassifyByVersionAndSize(size_t index) {
    const SourceFile& source = m_sources[index];
    ScannedFile& file = m_result.files[index];
    file.key = source.key;
    file.originalSize = source.size;
    if (!source.unplaced.empty()) {
        Fail(index, source.unplaced + u"; it is not compared");
        return;
    }
    file.relativePath = JoinRelative(source.segments);
    const std::optional<size_t> found = FindInFolder(file.relativePath);
    if (!found) {
        file.status = ScanStatus::Missing;
        file.detail = u"not in the folder";
        Decided();
        return;
    }
    const FolderFile& updated = m_walk.files[*found];
    m_claimed[*found] = true;
    file.relativePath = updated.relative; // as the folder writes it
    file.path = m_result.folder + u"/" + updated.relative;
    file.updatedSize = static_cast<int64_t>(updated.size);

    const std::optional<VersionFields> original = ParseFileVersion(source.version);
    if (original) {
        file.originalVersion = source.version;
        msi::FileVersionInfo info;
        const Win32Error read = msi::ReadFileVersion(file.path, info);
        if (read == ERROR_FILE_NOT_FOUND || read == ERROR_ACCESS_DENIED) {
            Fail(index, u"its version cannot be read: \"" + file.path + u"\" is not readable");
            return;
        }
        file.updatedVersion = info.version; // empty: the file has no version resource
        const std::optional<VersionFields> now = ParseFileVersion(info.version);
        if (!now || *now != *original) {
            const bool older = !now || *now < *original;
            file.overwrite = older;
            std::u16string detail =
                FormatString(u"version %s -> %s", file.originalVersion,
                             now ? file.updatedVersion : std::u16string(u"none"));
            if (!now) {
                detail += u"; a file without a version does not replace a versioned one";
                detail += kKeepsInstalled;
            } else if (older) {
                detail += u"; older than the original";
                detail += kKeepsInstalled;
            }
            Changed(index, ChangeReason::Version, std::move(detail));
            return;
        }
    }
    if (file.updatedSize != file.originalSize) {
        std::u16string detail = FormatString(u"size %d -> %d", file.originalSize, file.updatedSize);
        if (original) {
            file.overwrite = true;
            detail += u"; same version " + file.updatedVersion + kKeepsInstalled;
        }
        Changed(index, ChangeReason::Size, std::move(detail));
        return;
    }
    m_versioned[index] = original.has_value();
    CompareContent(index);
}

// Same version and size: the content decides. A hash row that agrees with the folder's file
// settles it without reading the original; one that disagrees is checked against the original
// first, so no proposal rests on a row that may be wrong.
void ScanRun::CompareContent(size_t index) {
    const ScannedFile& file = m_result.files[index];
    if (const auto row = m_hashes.find(file.key); row != m_hashes.end()) {
        std::u16string failure;
        const std::optional<Md5Digest> digest = m_content.Md5(Utf16ToUtf8(file.path), failure);
        ++m_result.counters.filesHashed;
        if (!digest) {
            Fail(index, failure);
            return;
        }
        if (HashPartsOf(*digest) == row->second) {
            Decided();
            return;
        }
        m_folderDigests[index] = digest;
    }
    m_originalNeeded.push_back(index);
}

void ScanRun::CompareWithOriginal(size_t index, const std::string& original) {
    ScannedFile& file = m_result.files[index];
    const std::string updated = Utf16ToUtf8(file.path);
    std::u16string failure;
    bool same = false;
    std::u16string how;
    if (const std::optional<Md5Digest>& folderDigest = m_folderDigests[index]) {
        const std::optional<Md5Digest> digest = m_content.Md5(original, failure);
        ++m_result.counters.filesHashed;
        if (!digest) {
            Fail(index, u"the original cannot be read: " + failure);
            return;
        }
        if (HashPartsOf(*digest) == m_hashes.at(file.key)) {
            how = u"content differs (MD5 against the package's MsiFileHash)";
        } else {
            file.hashMismatch = true;
            how = u"content differs from the original's bytes";
            same = *digest == *folderDigest;
        }
    } else {
        const std::optional<bool> equal = m_content.SameBytes(updated, original, failure);
        ++m_result.counters.filesCompared;
        if (!equal) {
            Fail(index, failure);
            return;
        }
        same = *equal;
        how = u"content differs from the original's bytes";
    }
    if (file.hashMismatch) {
        file.detail = u"the package's MsiFileHash row disagrees with its own file; compared by "
                      u"the original's bytes";
    }
    if (same) {
        Decided();
        return;
    }
    std::u16string detail = std::move(how);
    if (m_versioned[index]) {
        file.overwrite = true;
        detail += u"; same version " + file.updatedVersion + kKeepsInstalled;
    }
    if (file.hashMismatch) {
        detail += u"; " + file.detail;
    }
    Changed(index, ChangeReason::Content, std::move(detail));
}

void ScanRun::CompareDisk(int diskId, const std::u16string& scratch,
                          const std::vector<size_t>& files) {
    CVxMsiMedia* media = nullptr;
    try {
        media = m_package->GetMedia(diskId);
    } catch (const CException& failure) {
        const std::u16string reason = u"the original cannot be extracted: " + FailureText(failure);
        for (const size_t index : files) {
            Fail(index, reason);
        }
        return;
    }
    ICabinetExtraction* extraction = media->ExtractionService();
    std::unordered_map<std::u16string, size_t> wanted;
    for (const size_t index : files) {
        const std::u16string& key = m_sources[index].key;
        if (!extraction) {
            Fail(index,
                 FormatString(u"the original cannot be extracted: disk %d has no cabinet", diskId));
        } else if (!IsPlainFileName(key)) {
            Fail(index, u"the original is not extracted: its File key is not a plain file name");
        } else {
            wanted.emplace(key, index);
        }
    }
    if (wanted.empty()) {
        return;
    }
    try {
        ForEachWantedMember(
            extraction, wanted, [&](const std::u16string& name, uint64_t, size_t index) {
                std::u16string target = scratch;
                AppendPathSegment(target, name, kNativeSeparator);
                const BStr member(name);
                const BStr to(target);
                const HRESULT hr = extraction->ExtractToFile(member.Get(), to.Get());
                if (FAILED(hr)) {
                    Fail(index, u"the original cannot be extracted: " +
                                    FailureText(CComException(com_exception(hr))));
                    return;
                }
                ++m_result.counters.originalsExtracted;
                struct Remove {
                    const std::u16string& path;
                    ~Remove() { DeleteFile(path); }
                } remove{target};
                CompareWithOriginal(index, Utf16ToUtf8(target));
            });
    } catch (const CException& failure) {
        for (const auto& [key, index] : wanted) {
            Fail(index, u"the original cannot be extracted: " + FailureText(failure));
        }
        return;
    }
    for (const auto& [key, index] : wanted) {
        Fail(index, u"the original cannot be extracted: the cabinet \"" + media->CabinetPath() +
                        u"\" holds no member named \"" + key + u"\"");
    }
}

void ScanRun::CompareCompressed(const std::vector<size_t>& files) {
    std::u16string extractionFolder;
    try {
        extractionFolder = m_package->Resolver().CreateExtractionFolder();
    } catch (const CException& failure) {
        for (const size_t index : files) {
            Fail(index, u"the original cannot be extracted: " + FailureText(failure));
        }
        return;
    }
    m_package->SetExtractFolder(extractionFolder);
    const ScratchFolder scratch(extractionFolder);
    const std::vector<std::pair<int, int>> disks = m_layout->ReadDisks();
    std::map<size_t, std::vector<size_t>> byDisk; // in LastSequence order
    for (const size_t index : files) {
        if (scratch.Path().empty()) {
            Fail(index, u"the original cannot be extracted: no folder can be made in \"" +
                            extractionFolder + u"\"");
        } else if (const auto disk = DiskIndexOf(disks, m_sources[index].sequence)) {
            byDisk[*disk].push_back(index);
        } else {
            Fail(index, FormatString(u"the original cannot be extracted: no Media row reaches "
                                     u"its sequence %d",
                                     m_sources[index].sequence));
        }
    }
    for (const auto& [disk, onDisk] : byDisk) {
        CompareDisk(disks[disk].first, scratch.Path(), onDisk);
    }
}

std::u16string ScanRun::DirectoryFor(const std::u16string& relativeFolder, std::u16string& detail) {
    if (!m_directories) {
        // The folder of a file of the package is a place the patch can install to; among keys
        // of the same folder (a "." folder shares its parent's), one that holds components
        // wins, then the first in the table.
        std::unordered_set<std::u16string> used;
        CMsiView* components = m_package->OpenTableView(u"Component", u"");
        while (const CMsiRecord row = components->Fetch()) {
            used.insert(row.GetString(kComponentDirectory));
        }
        m_directories.emplace();
        std::unordered_set<std::u32string> withComponents;
        CMsiView* directories = m_package->OpenTableView(u"Directory", u"");
        while (const CMsiRecord row = directories->Fetch()) {
            const std::u16string key = row.GetString(kDirectoryKey);
            const auto& segments = m_layout->FolderOf(key);
            if (!segments) {
                continue;
            }
            const std::u32string path = Folded(JoinRelative(*segments));
            const bool holds = used.count(key) != 0;
            const auto [slot, inserted] = m_directories->emplace(path, key);
            if (!inserted && holds && withComponents.count(path) == 0) {
                slot->second = key;
            }
            if (holds) {
                withComponents.insert(path);
            }
        }
    }
    for (std::u16string folder = relativeFolder;; folder = ParentOf(folder)) {
        if (const auto found = m_directories->find(Folded(folder)); found != m_directories->end()) {
            detail = u"into " + found->second;
            if (folder != relativeFolder) {
                detail += u": the package has no folder \"" + relativeFolder + u"\"";
            }
            return found->second;
        }
        if (folder.empty()) {
            detail = u"into TARGETDIR";
            return u"TARGETDIR";
        }
    }
}

void ScanRun::AddNewFiles() {
    std::vector<ScannedFile> added;
    for (size_t i = 0; i < m_walk.files.size(); ++i) {
        const FolderFile& found = m_walk.files[i];
        if (m_claimed[i]) {
            continue;
        }
        ScannedFile file;
        file.relativePath = found.relative;
        file.path = m_result.folder + u"/" + found.relative;
        file.updatedSize = static_cast<int64_t>(found.size);
        if (!found.nameReadable) {
            file.status = ScanStatus::Failed;
            file.detail = u"its path is not valid UTF-8, so the project cannot name it";
        } else {
            const std::u16string folder = ParentOf(found.relative);
            // An administrative installation leaves its own package at the top: it is not a
            // file of the product.
            const std::u16string name =
                found.relative.substr(folder.empty() ? 0 : folder.size() + 1);
            if (folder.empty() && name.size() > 4 &&
                EqualsIgnoreAsciiCase(std::u16string_view(name).substr(name.size() - 4), u".msi")) {
                continue;
            }
            file.status = ScanStatus::New;
            file.directoryKey = DirectoryFor(folder, file.detail);
        }
        added.push_back(std::move(file));
    }
    for (const auto& [folder, reason] : m_walk.unreadable) {
        ScannedFile file;
        file.status = ScanStatus::Failed;
        file.relativePath = folder;
        file.detail = u"the folder cannot be read: " + reason;
        added.push_back(std::move(file));
    }
    std::sort(added.begin(), added.end(), [](const ScannedFile& a, const ScannedFile& b) {
        return a.relativePath < b.relativePath;
    });
    for (auto& file : added) {
        m_result.files.push_back(std::move(file));
    }
}

ScanResult ScanRun::Run() {
    const std::u16string& path = m_result.packagePath;
    m_package = std::make_unique<CVxMsiPackage>(path);
    RequireOriginalPackageKind(m_package->GetDatabaseHandle(), path);
    if (m_package->GetDatabaseHandle() == 0) {
        CheckMsiResult(ERROR_OPEN_FAILED, kApiOpenDatabase, path);
    }
    m_package->SetCompressionRule(CMsiPathResolver::CompressionRule::Installer);
    m_layout = std::make_unique<CSourceLayout>(*m_package);
    m_sources = m_layout->ReadFiles();
    ReadHashRows();
    MatchFolderFiles();

    const size_t count = m_sources.size();
    m_result.files.resize(count);
    m_folderDigests.resize(count);
    m_versioned.assign(count, false);
    try {
        for (size_t i = 0; i < count; ++i) {
            ClassifyByVersionAndSize(i);
        }
        std::vector<size_t> compressed;
        for (const size_t index : m_originalNeeded) {
            if (m_sources[index].compressed) {
                compressed.push_back(index);
                continue;
            }
            // The setup image beside the package; its names may differ in letter case.
            std::u16string original =
                JoinSegments(m_package->GetPackageFolder(), m_sources[index].segments);
            if (!PathExists(original)) {
                original =
                    JoinMatchingCase(m_package->GetPackageFolder(), m_sources[index].segments);
            }
            if (!PathExists(original)) {
                Fail(index, u"the original is not in the setup image: \"" + original +
                                u"\" does not exist");
                continue;
            }
            CompareWithOriginal(index, Utf16ToUtf8(original));
        }
        if (!compressed.empty()) {
            CompareCompressed(compressed);
        }
    } catch (const Cancelled&) {
        ScanResult cancelled;
        cancelled.packagePath = m_result.packagePath;
        cancelled.folder = m_result.folder;
        cancelled.cancelled = true;
        return cancelled;
    }
    AddNewFiles();
    m_result.counters.bytesRead = m_content.BytesRead();
    return std::move(m_result);
}

} // namespace

std::u16string_view ScanStatusName(ScanStatus status) {
    switch (status) {
    case ScanStatus::Unchanged:
        return u"unchanged";
    case ScanStatus::Changed:
        return u"changed";
    case ScanStatus::New:
        return u"new";
    case ScanStatus::Missing:
        return u"missing";
    case ScanStatus::Failed:
        return u"failed";
    }
    return u"";
}

std::u16string_view ChangeReasonName(ChangeReason reason) {
    switch (reason) {
    case ChangeReason::Version:
        return u"version";
    case ChangeReason::Size:
        return u"size";
    case ChangeReason::Content:
        return u"content";
    case ChangeReason::None:
        break;
    }
    return u"";
}

ScanResult ScanPackageFolder(const std::u16string& packagePath, const std::u16string& folder,
                             const ScanProgress& progress) {
    ScanRun run(packagePath, folder, progress);
    return run.Run();
}

} // namespace vx
