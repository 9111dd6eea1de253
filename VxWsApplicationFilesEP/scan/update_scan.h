#pragma once
// The update scan: compares the original package with a folder holding the updated product's
// files, laid out as the package's source-mode folders (what `vxpatch extract-all` and an
// administrative installation write), and proposes the patch entries that would bring the one
// to the other.
//
// Each file of the package is unchanged, changed (by version, size or content) or missing from
// the folder; each file of the folder that the package does not place is new. Version and size
// decide first; content is compared only when they leave it open: by the package's MsiFileHash
// row where there is one, otherwise by the original file's bytes (taken from the setup image or
// extracted from its cabinet). A hash row that says the file changed is checked against the
// original's bytes before anything is proposed; one that disagrees with them is reported and not
// trusted.
//
// The package and the folder are only read. Use: Scan, then Proposals, then Apply with the
// proposals the author keeps. All of it runs on the caller's thread.

#include "ide/automation/project_interfaces.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vx {

enum class ScanStatus { Unchanged, Changed, New, Missing, Failed };
enum class ChangeReason { None, Version, Size, Content };

// "unchanged", "changed", "new", "missing", "failed"; "version", "size", "content", "".
std::u16string_view ScanStatusName(ScanStatus status);
std::u16string_view ChangeReasonName(ChangeReason reason);

struct ScannedFile {
    ScanStatus status = ScanStatus::Unchanged;
    ChangeReason reason = ChangeReason::None;
    std::u16string key;          // the File key; empty for a new file
    std::u16string relativePath; // below the folder, '/'-separated: where it lies or should lie
    std::u16string path;         // the file in the folder; empty when it is missing
    std::u16string originalVersion;
    std::u16string updatedVersion; // read only where a version can decide
    int64_t originalSize = 0;
    int64_t updatedSize = 0;
    // The installer's versioning rules would keep the installed file (the updated one's version
    // is not higher): the entry needs its overwrite option.
    bool overwrite = false;
    // The package's MsiFileHash row for this file disagrees with the package's own bytes.
    bool hashMismatch = false;
    std::u16string detail;       // the reason in words, as the author reads it
    std::u16string directoryKey; // a new file's destination folder
    // The project's entry that already stands for this file (-1: none).
    int32_t entryType = -1;
    std::u16string entryKey;
};

struct ScanCounters {
    uint64_t filesHashed = 0;        // MD5 digests taken (folder files and originals)
    uint64_t filesCompared = 0;      // byte-by-byte comparisons with an original
    uint64_t originalsExtracted = 0; // originals taken out of cabinets
    uint64_t bytesRead = 0;          // file content read for digests and comparisons
};

struct ScanResult {
    std::u16string packagePath;
    std::u16string folder;
    // The package's files in File table order, then the new files ordered by path.
    std::vector<ScannedFile> files;
    ScanCounters counters;
    bool cancelled = false; // the progress callback asked to stop; `files` is then empty
};

// Called as each file of the package is classified: how many are done of how many, and the
// bytes of content read so far. Answering false cancels the scan.
using ScanProgress = std::function<bool(uint64_t done, uint64_t total, uint64_t bytesRead)>;

// A patch entry the scan proposes.
struct ScanProposal {
    int32_t type = kPatchTypeUpdate;
    std::u16string key;          // the File key (types 0 and 1); a new file's is made on apply
    std::u16string newFilePath;  // the file in the folder (types 0 and 2)
    std::u16string directoryKey; // type 2
    bool overwrite = false;
    std::u16string relativePath;
    std::u16string why;
};

struct ApplyOutcome {
    ScanProposal proposal;
    bool added = false;
    std::u16string key;  // the entry's key: the one added, or the one already there
    std::u16string note; // why it was left alone
};

// Scans without a project: the package at `packagePath` against `folder`. Throws CComException
// when the package or the folder cannot be read at all; a file that cannot be compared is
// classified Failed with the reason.
ScanResult ScanPackageFolder(const std::u16string& packagePath, const std::u16string& folder,
                             const ScanProgress& progress = {});

// What a result proposes: changed files as type 0 (with their overwrite option), new files as
// type 2, and missing files as type 1 when `deletes` is set. Files the project already has an
// entry for are proposed too; Apply leaves them alone and says so.
std::vector<ScanProposal> ProposeEntries(const ScanResult& result, bool deletes);

class CUpdateScan {
public:
    CUpdateScan(IPatchProject* patchProject, IProjectRoot* projectRoot);

    // Scans the project's original package against `folder` and notes the entries that the
    // project already has for the files.
    ScanResult Scan(const std::u16string& folder, const ScanProgress& progress = {});

    // Adds the proposals through the page's add operation, as one write of the project. An
    // entry already in the project is left alone; a new file whose path is already a new
    // file's entry too. Automation failures throw CComException; what was added before stays.
    std::vector<ApplyOutcome> Apply(const std::vector<ScanProposal>& proposals);

private:
    ComPtr<IPatchProject> m_patchProject;
    ComPtr<IProjectRoot> m_projectRoot;
};

} // namespace vx
