#include "platform/msi/storage/mapped_file.h"

#include "platform/msi/msi_failure.h"
#include "platform/sys/format_string.h"
#include "platform/sys/wide_string.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vx::msi {
namespace {

[[noreturn]] void ThrowOpenFailure(Win32Error code, std::u16string_view path,
                                   std::u16string_view reason) {
    ThrowMsiFailure(code, 0, {}, FormatString(u"cannot open the package '%s': %s", path, reason));
}

std::u16string ErrnoText(int error) {
    return Utf8ToUtf16(std::strerror(error));
}

} // namespace

MappedFile::MappedFile(std::u16string_view path) {
    const std::string native = Utf16ToUtf8(path);
    const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        ThrowOpenFailure(Win32ErrorFromErrno(error), path, ErrnoText(error));
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        ThrowOpenFailure(Win32ErrorFromErrno(error), path, ErrnoText(error));
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        ThrowOpenFailure(ERROR_OPEN_FAILED, path, u"it is not a file");
    }
    m_size = static_cast<size_t>(info.st_size);
    if (m_size == 0) {
        ::close(fd);
        return; // nothing to map; the compound-file reader reports the empty file
    }
    void* data = ::mmap(nullptr, m_size, PROT_READ, MAP_PRIVATE, fd, 0);
    const int error = errno;
    ::close(fd);
    if (data == MAP_FAILED) {
        m_size = 0;
        ThrowOpenFailure(Win32ErrorFromErrno(error), path, ErrnoText(error));
    }
    m_data = static_cast<const uint8_t*>(data);
}

MappedFile::~MappedFile() {
    if (m_data != nullptr) {
        ::munmap(const_cast<uint8_t*>(m_data), m_size);
    }
}

} // namespace vx::msi
