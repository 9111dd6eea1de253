#include "platform/sys/file_system.h"

#include "platform/sys/wide_string.h"
#include "platform/sys/win32_errors.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vx {
namespace {

bool Fail() {
    SetLastError(Win32ErrorFromErrno(errno));
    return false;
}

bool StatPath(std::u16string_view path, struct stat& st) {
    if (path.empty()) {
        errno = ENOENT;
        return false;
    }
    return ::stat(Utf16ToUtf8(path).c_str(), &st) == 0;
}

} // namespace

uint32_t GetFileAttributes(std::u16string_view path) {
    struct stat st {};
    if (!StatPath(path, st)) {
        Fail();
        return INVALID_FILE_ATTRIBUTES;
    }
    uint32_t attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : 0;
    if (::access(Utf16ToUtf8(path).c_str(), W_OK) != 0) {
        attributes |= FILE_ATTRIBUTE_READONLY;
    }
    return attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
}

bool PathExists(std::u16string_view path) {
    return GetFileAttributes(path) != INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(std::u16string_view path) {
    struct stat st {};
    return StatPath(path, st) && S_ISDIR(st.st_mode);
}

std::optional<uint64_t> GetFileSize(std::u16string_view path) {
    struct stat st {};
    if (!StatPath(path, st)) {
        Fail();
        return std::nullopt;
    }
    return static_cast<uint64_t>(st.st_size);
}

bool DeleteFile(std::u16string_view path) {
    return ::unlink(Utf16ToUtf8(path).c_str()) == 0 || Fail();
}

bool RemoveDirectory(std::u16string_view path) {
    return ::rmdir(Utf16ToUtf8(path).c_str()) == 0 || Fail();
}

bool CreateDirectories(std::u16string_view path) {
    if (path.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    const std::string full = Utf16ToUtf8(path);
    for (size_t pos = 1; pos <= full.size(); ++pos) {
        if (pos != full.size() && full[pos] != '/') {
            continue;
        }
        const std::string prefix = full.substr(0, pos);
        if (::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) {
            return Fail();
        }
    }
    if (!IsDirectory(path)) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return false;
    }
    return true;
}

std::u16string GetTempPath() {
    const char* env = std::getenv("TMPDIR");
    std::u16string path = Utf8ToUtf16(env && *env ? env : "/tmp");
    if (path.back() != u'/') {
        path.push_back(u'/');
    }
    return path;
}

std::u16string GetCurrentDirectory() {
    std::vector<char> buffer(256);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) {
            Fail();
            return {};
        }
        buffer.resize(buffer.size() * 2);
    }
    return Utf8ToUtf16(buffer.data());
}

bool SetCurrentDirectory(std::u16string_view path) {
    return ::chdir(Utf16ToUtf8(path).c_str()) == 0 || Fail();
}

std::u16string ParentFolder(std::u16string_view path) {
    const size_t slash = path.rfind(u'/');
    if (slash == std::u16string_view::npos) {
        return {};
    }
    if (slash == 0) {
        return u"/";
    }
    return std::u16string(path.substr(0, slash));
}

bool IsRootFolder(std::u16string_view path) { return path == u"/"; }

} // namespace vx
