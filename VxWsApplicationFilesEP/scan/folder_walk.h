#pragma once
// Every regular file below a folder, read once. Symbolic links are followed (a build output
// staged as links reads as the files themselves), and each folder is walked once however many
// links lead to it, so a link back up ends instead of looping.

#include <cstdint>
#include <string>
#include <vector>

namespace vx {

struct FolderFile {
    std::string nativePath;  // the path as the system names it, for opening
    std::u16string relative; // below the root, '/'-separated
    uint64_t size = 0;
    bool nameReadable = true; // false: a name on the way is not valid UTF-8
};

struct FolderWalk {
    std::vector<FolderFile> files;
    // Folders below the root that could not be read, with the system's reason.
    std::vector<std::pair<std::u16string, std::u16string>> unreadable;
};

// Throws CComException when `root` is not a readable folder.
FolderWalk WalkFolder(const std::u16string& root);

} // namespace vx
