#include "VxWsApplicationFilesEP/scan/file_content.h"

#include "platform/sys/wide_string.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace vx {
namespace {

constexpr size_t kBufferBytes = 256 * 1024;

std::u16string Describe(const std::string& path, const char* what) {
    return u"\"" + Utf8ToUtf16(path) + u"\" cannot be read: " + Utf8ToUtf16(what);
}

// A readable regular file, closed on destruction.
class InputFile {
public:
    InputFile(const std::string& path, std::u16string& failure) {
        m_fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (m_fd < 0) {
            failure = Describe(path, std::strerror(errno));
            return;
        }
        struct stat st {};
        if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            failure = Describe(path, "it is not a regular file");
            Close();
            return;
        }
        ::posix_fadvise(m_fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    }
    ~InputFile() { Close(); }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    bool IsOpen() const { return m_fd >= 0; }

    // Fills `buffer` as far as the file goes; answers the bytes read, or -1.
    ssize_t Fill(std::vector<uint8_t>& buffer) {
        size_t filled = 0;
        while (filled < buffer.size()) {
            const ssize_t n = ::read(m_fd, buffer.data() + filled, buffer.size() - filled);
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return -1;
            }
            if (n == 0) {
                break;
            }
            filled += static_cast<size_t>(n);
        }
        return static_cast<ssize_t>(filled);
    }

private:
    void Close() {
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    int m_fd = -1;
};

struct DigestContextDeleter {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

} // namespace

FileHashParts HashPartsOf(const Md5Digest& digest) {
    FileHashParts parts{};
    for (size_t i = 0; i < parts.size(); ++i) {
        const uint32_t word = uint32_t{digest[4 * i]} | uint32_t{digest[4 * i + 1]} << 8 |
                              uint32_t{digest[4 * i + 2]} << 16 | uint32_t{digest[4 * i + 3]} << 24;
        parts[i] = static_cast<int32_t>(word);
    }
    return parts;
}

CFileContent::CFileContent() : m_first(kBufferBytes), m_second(kBufferBytes) {
    // OpenSSL's own clean-up at exit frees its per-thread state while the leak checker of the
    // sanitizer build still walks it (OpenSSL 3.0.20: the check crashes); the process ends
    // anyway, so the memory is left to it. Only the first initialisation of a process counts.
    static const bool initialised = OPENSSL_init_crypto(OPENSSL_INIT_NO_ATEXIT, nullptr) == 1;
    (void)initialised;
}

std::optional<Md5Digest> CFileContent::Md5(const std::string& path, std::u16string& failure) {
    InputFile file(path, failure);
    if (!file.IsOpen()) {
        return std::nullopt;
    }
    const std::unique_ptr<EVP_MD_CTX, DigestContextDeleter> context(EVP_MD_CTX_new());
    if (!context || EVP_DigestInit_ex(context.get(), EVP_md5(), nullptr) != 1) {
        failure = Describe(path, "no MD5 digest is available");
        return std::nullopt;
    }
    for (;;) {
        const ssize_t n = file.Fill(m_first);
        if (n < 0) {
            failure = Describe(path, std::strerror(errno));
            return std::nullopt;
        }
        m_bytesRead += static_cast<uint64_t>(n);
        if (n > 0 && EVP_DigestUpdate(context.get(), m_first.data(), static_cast<size_t>(n)) != 1) {
            failure = Describe(path, "the MD5 digest failed");
            return std::nullopt;
        }
        if (static_cast<size_t>(n) < m_first.size()) {
            break;
        }
    }
    Md5Digest digest{};
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context.get(), digest.data(), &length) != 1 || length != digest.size()) {
        failure = Describe(path, "the MD5 digest failed");
        return std::nullopt;
    }
    return digest;
}

std::optional<bool> CFileContent::SameBytes(const std::string& first, const std::string& second,
                                            std::u16string& failure) {
    InputFile a(first, failure);
    if (!a.IsOpen()) {
        return std::nullopt;
    }
    InputFile b(second, failure);
    if (!b.IsOpen()) {
        return std::nullopt;
    }
    for (;;) {
        const ssize_t n = a.Fill(m_first);
        if (n < 0) {
            failure = Describe(first, std::strerror(errno));
            return std::nullopt;
        }
        const ssize_t m = b.Fill(m_second);
        if (m < 0) {
            failure = Describe(second, std::strerror(errno));
            return std::nullopt;
        }
        m_bytesRead += static_cast<uint64_t>(n) + static_cast<uint64_t>(m);
        if (n != m || std::memcmp(m_first.data(), m_second.data(), static_cast<size_t>(n)) != 0) {
            return false;
        }
        if (static_cast<size_t>(n) < m_first.size()) {
            return true;
        }
    }
}

} // namespace vx
