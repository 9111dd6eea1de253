#include "apps/vxpatch/extract_commands.h"

#include "VxWsApplicationFilesEP/package/msi_errors.h"
#include "VxWsApplicationFilesEP/package/msi_media.h"
#include "VxWsApplicationFilesEP/package/msi_package.h"
#include "VxWsApplicationFilesEP/package/package_kind.h"
#include "VxWsApplicationFilesEP/package/safe_paths.h"
#include "VxWsApplicationFilesEP/package/source_layout.h"
#include "VxWsApplicationFilesEP/package/table_columns.h"
#include "apps/vxpatch/console.h"
#include "apps/vxpatch/interrupt.h"
#include "apps/vxpatch/terminal_progress.h"
#include "platform/com/com_exception.h"
#include "platform/sys/file_system.h"
#include "platform/sys/format_string.h"
#include "platform/sys/path_strings.h"
#include "platform/sys/wide_string.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace vx::cli {
namespace {

using Rule = CMsiPathResolver::CompressionRule;

constexpr size_t kCopyBufferBytes = 1 << 20;

// The package object accepts a package it cannot open; a command should not. The path is made
// absolute first: the package's folder is where its cabinets and uncompressed files lie, and a
// bare file name would have no folder.
std::unique_ptr<CVxMsiPackage> OpenPackage(const std::u16string& given) {
    std::u16string path = given;
    if (path.empty() || path.front() != kNativeSeparator) {
        path = GetCurrentDirectory();
        AppendPathSegment(path, given, kNativeSeparator);
    }
    auto package = std::make_unique<CVxMsiPackage>(path);
    RequireOriginalPackageKind(package->GetDatabaseHandle(), path);
    if (package->GetDatabaseHandle() == 0) {
        CheckMsiResult(ERROR_OPEN_FAILED, kApiOpenDatabase, path);
    }
    package->SetCompressionRule(Rule::Installer);
    return package;
}

std::u16string Trimmed(std::u16string text) {
    while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r')) {
        text.pop_back();
    }
    return text;
}

std::u16string FailureText(const CException& failure) {
    std::u16string buffer(4096, u'\0');
    failure.GetErrorMessage(buffer.data(), static_cast<uint32_t>(buffer.size()));
    buffer.resize(std::char_traits<char16_t>::length(buffer.data()));
    return Trimmed(buffer.empty() ? u"Unknown error" : buffer);
}

std::u16string ErrnoText(int error) {
    return Utf8ToUtf16(std::strerror(error));
}

// Copies source to target. A symbolic link at the target is not followed, and a target that is
// the source itself is refused, so the setup image is never written.
std::optional<std::u16string> CopyFileTo(const std::u16string& source,
                                         const std::u16string& target) {
    const std::string from = Utf16ToUtf8(source);
    const std::string to = Utf16ToUtf8(target);
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        return u"\"" + source + u"\" cannot be read: " + ErrnoText(errno);
    }
    struct stat sourceStat {};
    struct stat targetStat {};
    ::fstat(in, &sourceStat);
    if (::stat(to.c_str(), &targetStat) == 0 && targetStat.st_dev == sourceStat.st_dev &&
        targetStat.st_ino == sourceStat.st_ino) {
        ::close(in);
        return u"\"" + target + u"\" is the original file itself; it is not overwritten";
    }
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (out < 0) {
        const int why = errno;
        ::close(in);
        return u"\"" + target + u"\" cannot be written: " +
               (why == ELOOP ? u"a symbolic link stands there" : ErrnoText(why));
    }
    std::vector<char> buffer(kCopyBufferBytes);
    std::optional<std::u16string> failure;
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0) {
            failure = u"\"" + source + u"\" cannot be read: " + ErrnoText(errno);
            break;
        }
        if (n == 0) {
            break;
        }
        if (::write(out, buffer.data(), static_cast<size_t>(n)) != n) {
            failure = u"\"" + target + u"\" cannot be written: " + ErrnoText(errno);
            break;
        }
    }
    ::close(in);
    if (::close(out) != 0 && !failure) {
        failure = u"\"" + target + u"\" cannot be written: " + ErrnoText(errno);
    }
    return failure;
}

int Extract(std::span<const std::u16string> args) {
    const std::u16string& key = args[1];
    auto package = OpenPackage(args[0]);
    const CMsiRecord file = package->FindRecord(u"File", u"File", key, u"");
    if (!file.HasRow()) {
        PrintError(FormatString(u"%s: no File row \"%s\"", args[0], key));
        return kExitFailure;
    }
    const FileLocation* location = package->LocateOriginalFile(key);
    if (!PathExists(location->path)) {
        PrintError(FormatString(u"%s: the file is not in the setup image: \"%s\" does not exist",
                                key, location->path));
        return kExitFailure;
    }
    std::u16string target = args[2];
    if (IsDirectory(target)) {
        const std::u16string name = LongName(file.GetString(kFileName));
        if (!IsPlainFileName(name)) {
            PrintError(FormatString(u"%s: its name \"%s\" is not a plain file name", key, name));
            return kExitFailure;
        }
        AppendPathSegment(target, name, kNativeSeparator);
    }
    // Copied while the package object lives; it removes its extracted copy when it goes.
    if (const auto failure = CopyFileTo(location->path, target)) {
        PrintError(key + u": " + *failure);
        return kExitFailure;
    }
    PrintLine(target);
    return kExitSuccess;
}

// One file of the package and where extract-all puts it.
struct PlannedFile {
    std::u16string key;
    std::u16string target;
    int sequence = 0;
    bool compressed = false;
    bool done = false;
};

struct FailedFile {
    std::u16string key;
    std::u16string target;
    std::u16string reason;
};

class ExtractAllRun {
public:
    ExtractAllRun(CVxMsiPackage& package, std::u16string destination)
        : m_package(package), m_layout(package), m_destination(std::move(destination)) {}

    int Run();

private:
    void Plan();
    bool MakeParent(const std::u16string& target, std::u16string& reason);
    void CopyUncompressed(PlannedFile& file);
    void ExtractDisk(int diskId, const std::vector<PlannedFile*>& files);
    void Fail(const PlannedFile& file, std::u16string reason) {
        m_failed.push_back({file.key, file.target, std::move(reason)});
    }

    CVxMsiPackage& m_package;
    CSourceLayout m_layout;
    std::u16string m_destination;
    std::vector<PlannedFile> m_files;
    std::vector<FailedFile> m_failed;
    std::set<std::u16string> m_madeFolders;
    std::unique_ptr<TerminalProgress> m_progress;
    uint64_t m_bytes = 0;
    size_t m_extracted = 0;
};

void ExtractAllRun::Plan() {
    for (const SourceFile& source : m_layout.ReadFiles()) {
        PlannedFile file;
        file.key = source.key;
        file.sequence = source.sequence;
        file.compressed = source.compressed;
        file.target = JoinSegments(m_destination, source.segments);
        if (!source.unplaced.empty()) {
            Fail(file, source.unplaced + u"; it is not extracted");
            file.done = true;
        }
        m_files.push_back(std::move(file));
    }
}

bool ExtractAllRun::MakeParent(const std::u16string& target, std::u16string& reason) {
    const std::u16string parent = ParentFolder(target);
    if (m_madeFolders.count(parent) != 0) {
        return true;
    }
    if (!CreateDirectories(parent)) {
        reason = u"the folder \"" + parent + u"\" cannot be created";
        return false;
    }
    m_madeFolders.insert(parent);
    return true;
}

void ExtractAllRun::CopyUncompressed(PlannedFile& file) {
    file.done = true;
    std::u16string reason;
    try {
        const FileLocation* location = m_package.LocateOriginalFile(file.key);
        if (!PathExists(location->path)) {
            Fail(file, u"not in the setup image: \"" + location->path + u"\" does not exist");
            return;
        }
        if (!MakeParent(file.target, reason)) {
            Fail(file, reason);
            return;
        }
        if (const auto failure = CopyFileTo(location->path, file.target)) {
            Fail(file, *failure);
            return;
        }
        ++m_extracted;
        const uint64_t size = GetFileSize(file.target).value_or(0);
        m_bytes += size;
        m_progress->Advance(size);
    } catch (const CException& failure) {
        Fail(file, FailureText(failure));
    }
}

void ExtractAllRun::ExtractDisk(int diskId, const std::vector<PlannedFile*>& files) {
    CVxMsiMedia* media = nullptr;
    try {
        media = m_package.GetMedia(diskId);
    } catch (const CException& failure) {
        const std::u16string reason = FailureText(failure);
        for (PlannedFile* file : files) {
            file->done = true;
            Fail(*file, reason);
        }
        return;
    }
    ICabinetExtraction* extraction = media->ExtractionService();
    if (!extraction) {
        for (PlannedFile* file : files) {
            file->done = true;
            Fail(*file, FormatString(u"disk %d has no cabinet", diskId));
        }
        return;
    }
    std::unordered_map<std::u16string, size_t> wanted;
    for (size_t i = 0; i < files.size(); ++i) {
        wanted.emplace(files[i]->key, i);
    }
    ForEachWantedMember(
        extraction, wanted, [&](const std::u16string& name, uint64_t size, size_t index) {
            PlannedFile& file = *files[index];
            file.done = true;
            std::u16string reason;
            if (!MakeParent(file.target, reason)) {
                Fail(file, reason);
                return;
            }
            const BStr member(name);
            const BStr target(file.target);
            const HRESULT hr = extraction->ExtractToFile(member.Get(), target.Get());
            if (FAILED(hr)) {
                Fail(file, Trimmed(com_exception(hr).description));
                return;
            }
            ++m_extracted;
            m_bytes += size;
            m_progress->Advance(size);
        });
    if (InterruptWatch::Requested()) {
        return;
    }
    for (const auto& [key, index] : wanted) {
        files[index]->done = true;
        Fail(*files[index], u"the cabinet \"" + media->CabinetPath() +
                                u"\" holds no member named \"" + key + u"\"");
    }
}

int ExtractAllRun::Run() {
    if (!CreateDirectories(m_destination)) {
        PrintError(u"the destination \"" + m_destination + u"\" cannot be created");
        return kExitFailure;
    }
    Plan();
    m_progress = std::make_unique<TerminalProgress>(u"Extracting", m_files.size());
    const InterruptWatch interruptWatch;

    for (PlannedFile& file : m_files) {
        if (!file.done && !file.compressed && !InterruptWatch::Requested()) {
            CopyUncompressed(file);
        }
    }

    std::vector<PlannedFile*> compressed;
    for (PlannedFile& file : m_files) {
        if (!file.done && file.compressed) {
            compressed.push_back(&file);
        }
    }
    if (!compressed.empty()) {
        try {
            m_package.SetExtractFolder(m_package.Resolver().CreateExtractionFolder());
        } catch (const CException& failure) {
            // Cabinets beside the package still open; embedded ones will report why not.
            PrintError(u"no extraction folder for embedded cabinets: " + FailureText(failure));
        }
        const std::vector<std::pair<int, int>> disks = m_layout.ReadDisks();
        std::map<size_t, std::vector<PlannedFile*>> byDisk; // in LastSequence order
        for (PlannedFile* file : compressed) {
            const std::optional<size_t> disk = DiskIndexOf(disks, file->sequence);
            if (!disk) {
                file->done = true;
                Fail(*file, FormatString(u"no Media row reaches its sequence %d", file->sequence));
                continue;
            }
            byDisk[*disk].push_back(file);
        }
        for (const auto& [index, files] : byDisk) {
            if (!InterruptWatch::Requested()) {
                ExtractDisk(disks[index].first, files);
            }
        }
    }
    m_progress->Finish();
    if (InterruptWatch::Requested()) {
        // Each file is written whole before the interrupt is looked at: what is there is usable.
        PrintError(FormatString(u"interrupted: %u of %u files extracted into %s; run extract-all "
                                u"again to write them all",
                                static_cast<uint64_t>(m_extracted),
                                static_cast<uint64_t>(m_files.size()), m_destination));
        return kExitInterrupted;
    }

    PrintLine(FormatString(u"%u of %u files extracted into %s (%u bytes)",
                           static_cast<uint64_t>(m_extracted),
                           static_cast<uint64_t>(m_files.size()), m_destination, m_bytes));
    if (m_failed.empty()) {
        return kExitSuccess;
    }
    PrintError(
        FormatString(u"%u files could not be extracted:", static_cast<uint64_t>(m_failed.size())));
    for (const FailedFile& failed : m_failed) {
        PrintError(FormatString(u"  %s (%s): %s", failed.key, failed.target, failed.reason));
    }
    return kExitFailure;
}

int ExtractAll(std::span<const std::u16string> args) {
    auto package = OpenPackage(args[0]);
    ExtractAllRun run(*package, args[1]);
    return run.Run();
}

} // namespace

void AddExtractCommands(CommandTable& table) {
    table.Add({u"extract", u"PKG FILEKEY DEST", 3, 3,
               u"copy one original file (from the setup image or its cabinet) to DEST", Extract});
    table.Add({u"extract-all", u"PKG DEST", 2, 2,
               u"extract every file into DEST under its source folder", ExtractAll});
}

} // namespace vx::cli
