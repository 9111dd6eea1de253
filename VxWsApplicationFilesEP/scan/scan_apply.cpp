// The project side of the update scan: what the project already has, and adding the proposals.

#include "VxWsApplicationFilesEP/patchlist/patch_file_adder.h"
#include "VxWsApplicationFilesEP/patchlist/patch_file_info.h"
#include "VxWsApplicationFilesEP/scan/update_scan.h"
#include "ide/automation/project_batch.h"
#include "ide/automation/project_store.h"
#include "platform/com/com_exception.h"
#include "platform/sys/format_string.h"

#include <unordered_map>

namespace vx {
namespace {

struct KnownEntry {
    std::u16string key;
    int32_t type = 0;
};

struct ProjectEntries {
    std::unordered_map<std::u16string, int32_t> byKey;
    std::unordered_map<std::u16string, KnownEntry> newFilesByPath; // expanded path
};

ProjectEntries ReadEntries(IPatchProject* patchProject) {
    ProjectEntries known;
    ComPtr<IPatchFiles> files;
    ThrowIfFailed(patchProject->GetFiles(files.ReleaseAndGetAddressOf()));
    ComPtr<IEnumVARIANT> entries;
    ThrowIfFailed(files->NewEnum(entries.ReleaseAndGetAddressOf()));
    for (;;) {
        Variant item;
        ULONG fetched = 0;
        ThrowIfFailed(entries->Next(1, item.Get(), &fetched));
        if (fetched == 0) {
            break;
        }
        ComPtr<IPatchFile> entry;
        ThrowIfFailed(item.Get()->punkVal->QueryInterface(IPatchFile::kIid,
                                                          entry.ReleaseAndGetVoidAddress()));
        const PatchEntry e = ReadPatchEntry(entry.Get());
        known.byKey.emplace(e.key, e.type);
        if (e.type == kPatchTypeNewFile && !e.newFilePath.empty()) {
            known.newFilesByPath.emplace(ExpandProjectPath(patchProject, e.newFilePath),
                                         KnownEntry{e.key, e.type});
        }
    }
    return known;
}

std::u16string TypeText(int32_t type) {
    return FormatString(u"already in the project (type %d)", type);
}

} // namespace

std::vector<ScanProposal> ProposeEntries(const ScanResult& result, bool deletes) {
    std::vector<ScanProposal> proposals;
    for (const ScannedFile& file : result.files) {
        ScanProposal proposal;
        proposal.key = file.key;
        proposal.relativePath = file.relativePath;
        proposal.why = file.detail;
        if (file.status == ScanStatus::Changed) {
            proposal.type = kPatchTypeUpdate;
            proposal.newFilePath = file.path;
            proposal.overwrite = file.overwrite;
        } else if (file.status == ScanStatus::New) {
            proposal.type = kPatchTypeNewFile;
            proposal.newFilePath = file.path;
            proposal.directoryKey = file.directoryKey;
        } else if (file.status == ScanStatus::Missing && deletes) {
            proposal.type = kPatchTypeDelete;
        } else {
            continue;
        }
        proposals.push_back(std::move(proposal));
    }
    return proposals;
}

CUpdateScan::CUpdateScan(IPatchProject* patchProject, IProjectRoot* projectRoot)
    : m_patchProject(patchProject), m_projectRoot(projectRoot) {}

ScanResult CUpdateScan::Scan(const std::u16string& folder, const ScanProgress& progress) {
    BStr stored;
    ThrowIfFailed(m_patchProject->GetOriginalPackage(stored.Out()));
    ScanResult result = ScanPackageFolder(
        ExpandProjectPath(m_patchProject.Get(), stored.ToString()), folder, progress);
    const ProjectEntries known = ReadEntries(m_patchProject.Get());
    for (ScannedFile& file : result.files) {
        if (!file.key.empty()) {
            if (const auto entry = known.byKey.find(file.key); entry != known.byKey.end()) {
                file.entryKey = file.key;
                file.entryType = entry->second;
            }
        } else if (const auto entry = known.newFilesByPath.find(file.path);
                   entry != known.newFilesByPath.end()) {
            file.entryKey = entry->second.key;
            file.entryType = entry->second.type;
        }
    }
    return result;
}

std::vector<ApplyOutcome> CUpdateScan::Apply(const std::vector<ScanProposal>& proposals) {
    std::vector<ApplyOutcome> outcomes;
    CPatchFileAdder adder(m_patchProject.Get(), m_projectRoot.Get());
    // The one write transaction of an apply: every add below joins it, so the author's project
    // gets all of the proposals or, after a failure, those made before it.
    CProjectBatch batch(m_patchProject.Get());
    const ProjectEntries known = ReadEntries(m_patchProject.Get());
    for (const ScanProposal& proposal : proposals) {
        ApplyOutcome outcome;
        outcome.proposal = proposal;
        if (proposal.type == kPatchTypeNewFile) {
            if (const auto entry = known.newFilesByPath.find(proposal.newFilePath);
                entry != known.newFilesByPath.end()) {
                outcome.key = entry->second.key;
                outcome.note = TypeText(entry->second.type);
                outcomes.push_back(std::move(outcome));
                continue;
            }
            outcome.key = adder.MakeNewFileKey(FileNamePart(proposal.newFilePath));
        } else {
            outcome.key = proposal.key;
        }
        // Entries already there are the author's: reported, never changed.
        const ComPtr<IPatchFile> entry = adder.AddPatchFile(
            outcome.key, proposal.type,
            proposal.type == kPatchTypeDelete ? u"" : proposal.newFilePath, DuplicateNotice::Quiet);
        if (!entry) {
            const auto existing = known.byKey.find(outcome.key);
            outcome.note = TypeText(existing != known.byKey.end() ? existing->second : -1);
            outcomes.push_back(std::move(outcome));
            continue;
        }
        if (proposal.type == kPatchTypeNewFile && !proposal.directoryKey.empty()) {
            ThrowIfFailed(entry->PutDestinationDir(proposal.directoryKey.c_str()));
        }
        if (proposal.overwrite) {
            ThrowIfFailed(entry->PutOverwrite(VARIANT_TRUE));
        }
        outcome.added = true;
        outcomes.push_back(std::move(outcome));
    }
    batch.Commit();
    return outcomes;
}

} // namespace vx
