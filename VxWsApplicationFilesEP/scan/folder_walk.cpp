#include "VxWsApplicationFilesEP/scan/folder_walk.h"

#include "platform/com/com_exception.h"
#include "platform/sys/wide_string.h"
#include "platform/sys/win32_errors.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace vx {
namespace {

struct PendingFolder {
    std::string nativePath;
    std::u16string relative;
    bool nameReadable;
};

bool IsUtf8(const std::string& name) {
    return Utf16ToUtf8(Utf8ToUtf16(name)) == name;
}

std::u16string ErrnoText(int error) {
    return Utf8ToUtf16(std::strerror(error));
}

} // namespace

FolderWalk WalkFolder(const std::u16string& root) {
    const std::string nativeRoot = Utf16ToUtf8(root);
    struct stat rootStat {};
    const bool found = ::stat(nativeRoot.c_str(), &rootStat) == 0;
    const int why = errno;
    if (!found || !S_ISDIR(rootStat.st_mode)) {
        throw CComException(com_exception(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND),
                                          u"The folder \"" + root + u"\" cannot be scanned: " +
                                              (found ? u"it is not a folder" : ErrnoText(why))));
    }
    FolderWalk walk;
    std::set<std::pair<dev_t, ino_t>> seen{{rootStat.st_dev, rootStat.st_ino}};
    std::vector<PendingFolder> pending{{nativeRoot, u"", true}};
    while (!pending.empty()) {
        const PendingFolder folder = std::move(pending.back());
        pending.pop_back();
        std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.nativePath.c_str()), ::closedir);
        if (!dir) {
            const int error = errno;
            if (folder.relative.empty()) {
                throw CComException(com_exception(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED),
                                                  u"The folder \"" + root + u"\" cannot be read: " +
                                                      ErrnoText(error)));
            }
            walk.unreadable.emplace_back(folder.relative, ErrnoText(error));
            continue;
        }
        while (const dirent* entry = ::readdir(dir.get())) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..") {
                continue;
            }
            struct stat st {};
            if (::fstatat(::dirfd(dir.get()), name.c_str(), &st, 0) != 0) {
                continue; // a dangling link, or gone since the listing
            }
            std::string nativePath = folder.nativePath + "/" + name;
            std::u16string relative = folder.relative;
            if (!relative.empty()) {
                relative += u'/';
            }
            relative += Utf8ToUtf16(name);
            const bool readable = folder.nameReadable && IsUtf8(name);
            if (S_ISDIR(st.st_mode)) {
                if (seen.insert({st.st_dev, st.st_ino}).second) {
                    pending.push_back({std::move(nativePath), std::move(relative), readable});
                }
            } else if (S_ISREG(st.st_mode)) {
                walk.files.push_back({std::move(nativePath), std::move(relative),
                                      static_cast<uint64_t>(st.st_size), readable});
            }
        }
    }
    return walk;
}

} // namespace vx
