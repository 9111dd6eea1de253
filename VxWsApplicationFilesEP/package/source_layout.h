#pragma once
// The source-mode layout of a package: where each of its files lies below one root folder. It is
// the layout of an uncompressed setup image beside the package, of an administrative
// installation and of what `vxpatch extract-all` writes; the update scan reads a folder laid out
// the same way. Files of TARGETDIR itself lie at the root, as the installer reads them.
//
// Every folder and file name passes safe_paths.h: a file whose place would lie outside the root
// gets no segments and a reason instead.

#include "VxWsApplicationFilesEP/package/msi_package.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace vx {

struct SourceFile {
    std::u16string key;
    std::u16string name; // the long file name
    // Folder names below the root, then the file's name; empty when `unplaced` says why not.
    std::vector<std::u16string> segments;
    std::u16string unplaced;
    std::u16string component;
    std::u16string directory; // the component's Directory key
    int64_t size = 0;         // FileSize
    std::u16string version;   // the Version column as stored (a version, a companion's key, "")
    int sequence = 0;
    bool compressed = false; // under the installer's rule
};

class CSourceLayout {
public:
    // Reads with the package's installer compression rule, whatever rule it was given.
    explicit CSourceLayout(CVxMsiPackage& package);

    // Every File row, in table order.
    std::vector<SourceFile> ReadFiles();
    // The source-mode folder of a Directory key as segments below the root (TARGETDIR: none),
    // or nullopt when it would lie outside. Cached per key.
    const std::optional<std::vector<std::u16string>>& FolderOf(const std::u16string& directory);

    // The disks in ascending LastSequence order, as (DiskId, LastSequence).
    std::vector<std::pair<int, int>> ReadDisks();

private:
    CVxMsiPackage& m_package;
    std::unordered_map<std::u16string, std::u16string> m_componentFolders;
    std::unordered_map<std::u16string, std::optional<std::vector<std::u16string>>> m_folders;
};

// The index into `disks` (ascending LastSequence) of the disk whose cabinet holds a file of that
// sequence: the first whose LastSequence reaches it; nullopt when none does.
std::optional<size_t> DiskIndexOf(const std::vector<std::pair<int, int>>& disks, int sequence);

// Visits the members of a cabinet whose names are keys of `wanted`, in the order they are stored
// (each folder of the cabinet is then decompressed once), and erases each visited one from
// `wanted`; what is left was not in the cabinet. `visit` gets the member's name and size.
// `wanted` maps member names to the caller's own indexes. Failures of the listing raise
// CComException.
void ForEachWantedMember(
    ICabinetExtraction* extraction, std::unordered_map<std::u16string, size_t>& wanted,
    const std::function<void(const std::u16string& name, uint64_t size, size_t index)>& visit);

// `root` joined with the segments by '/'.
std::u16string JoinSegments(std::u16string root, const std::vector<std::u16string>& segments);

} // namespace vx
