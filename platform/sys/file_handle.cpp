#include "platform/sys/file_handle.h"

#include "platform/sys/wide_string.h"
#include "platform/sys/win32_errors.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace vx {

FileHandle::~FileHandle() { Close(); }

FileHandle::FileHandle(FileHandle&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        Close();
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

bool FileHandle::Open(std::u16string_view path, Access access, Creation creation,
                      Sharing sharing) {
    Close();
    int flags = O_CLOEXEC;
    switch (access) {
    case Access::Read:
        flags |= O_RDONLY;
        break;
    case Access::Write:
        flags |= O_WRONLY;
        break;
    case Access::ReadWrite:
        flags |= O_RDWR;
        break;
    }
    switch (creation) {
    case Creation::CreateNew:
        flags |= O_CREAT | O_EXCL;
        break;
    case Creation::CreateAlways:
        flags |= O_CREAT;
        break;
    case Creation::OpenExisting:
        break;
    case Creation::OpenAlways:
        flags |= O_CREAT;
        break;
    }
    const int fd = ::open(Utf16ToUtf8(path).c_str(), flags, 0666);
    if (fd < 0) {
        SetLastError(errno == EEXIST ? ERROR_FILE_EXISTS : Win32ErrorFromErrno(errno));
        return false;
    }
    const int lock = sharing == Sharing::None ? LOCK_EX : LOCK_SH;
    if (::flock(fd, lock | LOCK_NB) != 0) {
        ::close(fd);
        SetLastError(ERROR_SHARING_VIOLATION);
        return false;
    }
    // Truncate only once the lock is ours, so a refused opener cannot destroy another's file.
    if (creation == Creation::CreateAlways && ::ftruncate(fd, 0) != 0) {
        SetLastError(Win32ErrorFromErrno(errno));
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

void FileHandle::Close() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

std::optional<size_t> FileHandle::Read(void* buffer, size_t size) {
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, size);
        if (n >= 0) {
            return static_cast<size_t>(n);
        }
        if (errno != EINTR) {
            SetLastError(Win32ErrorFromErrno(errno));
            return std::nullopt;
        }
    }
}

bool FileHandle::Write(const void* data, size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(m_fd, bytes, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            SetLastError(Win32ErrorFromErrno(errno));
            return false;
        }
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

std::optional<uint64_t> FileHandle::Seek(int64_t offset, SeekOrigin origin) {
    const int whence = origin == SeekOrigin::Begin     ? SEEK_SET
                       : origin == SeekOrigin::Current ? SEEK_CUR
                                                       : SEEK_END;
    const off_t pos = ::lseek(m_fd, static_cast<off_t>(offset), whence);
    if (pos < 0) {
        SetLastError(errno == EINVAL ? ERROR_NEGATIVE_SEEK : Win32ErrorFromErrno(errno));
        return std::nullopt;
    }
    return static_cast<uint64_t>(pos);
}

std::optional<uint64_t> FileHandle::Size() const {
    struct stat st {};
    if (::fstat(m_fd, &st) != 0) {
        SetLastError(Win32ErrorFromErrno(errno));
        return std::nullopt;
    }
    return static_cast<uint64_t>(st.st_size);
}

bool FileHandle::Flush() {
    if (::fsync(m_fd) != 0) {
        SetLastError(Win32ErrorFromErrno(errno));
        return false;
    }
    return true;
}

} // namespace vx
