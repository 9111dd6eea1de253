#pragma once
// The project side of adding a file to the patch: the duplicate check, the new entry and the
// values it gets from the original package. The Files To Patch tree calls AddPatchFile and then
// inserts the node for the entry it answers.
//
// Each package test opens the original package read-only on its own and closes it before it
// answers. Automation and installer failures throw CComException; what was written before stays.

#include "VxWsApplicationFilesEP/package/msi_handles.h"
#include "ide/automation/project_interfaces.h"

#include <string>

namespace vx {

// Whether a key already in the list is told to the author (message 4) or passed over quietly,
// as for the second and later ones of one drop: the message names no file, so saying it once is
// saying it all.
enum class DuplicateNotice { Show, Quiet };

class CPatchFileAdder {
public:
    CPatchFileAdder(IPatchProject* patchProject, IProjectRoot* projectRoot);

    // Adds an entry of `type` (0 existing file, 2 new file). A key already in the list answers
    // null, with message 4 unless `notice` is quiet; otherwise answers the new entry. A new
    // file that gets self-registration or COM extraction also shows the registration warning.
    ComPtr<IPatchFile> AddPatchFile(const std::u16string& key, int32_t type,
                                    const std::u16string& newFilePath,
                                    DuplicateNotice notice = DuplicateNotice::Show);

    // The original package registers the file itself (SelfReg, else VXSelfReg).
    bool HasSelfRegEntry(const std::u16string& key);
    // The file is its component's key path and the component has Class or TypeLib rows.
    bool HasComInfo(const std::u16string& key);
    bool DirectoryExists(const std::u16string& directoryKey);
    // The first top-level feature in the package's row order, or empty.
    std::u16string GetDefaultFeature();
    // A key for a new file named `fileName` that no entry and no File row of the original
    // package uses.
    std::u16string MakeNewFileKey(const std::u16string& fileName);

private:
    CMsiHandle OpenOriginalPackage();

    ComPtr<IPatchProject> m_patchProject;
    ComPtr<IProjectRoot> m_projectRoot;
};

// The file-name part of a path on this machine (after its last "/").
std::u16string FileNamePart(const std::u16string& path);

} // namespace vx
