#pragma once
// Windows code pages to UTF-16. Installer databases store their strings in one code page (the
// string pool's) and summary information in another (its property 1). Single-byte code pages
// convert through a 256-entry table, as Windows does; the double-byte ones (932, 936, 949, 950)
// through glibc's iconv; 65001 is UTF-8. Code page 0 (language neutral) reads as 1252, which is
// what Windows and libmsi give it on an English system.

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

namespace vx::msi {

bool IsSupportedCodePage(uint32_t codePage);

class CodePageDecoder {
public:
    // Throws ThrowDamaged naming the code page and `owner` (for example "the string pool") when
    // the code page is not one we convert.
    CodePageDecoder(uint32_t codePage, std::u16string_view owner);
    ~CodePageDecoder();
    CodePageDecoder(const CodePageDecoder&) = delete;
    CodePageDecoder& operator=(const CodePageDecoder&) = delete;

    uint32_t CodePage() const { return m_codePage; }
    // Never fails: bytes that do not form a character become U+FFFD.
    std::u16string Decode(std::span<const uint8_t> bytes) const;

private:
    enum class Kind { SingleByte, Utf8, MultiByte };

    uint32_t m_codePage = 0;
    Kind m_kind = Kind::SingleByte;
    const char16_t* m_table = nullptr; // 256 entries, for single-byte code pages
    void* m_iconv = nullptr;           // iconv_t, for the multi-byte ones
    mutable std::mutex m_iconvLock;    // iconv keeps state between calls
};

} // namespace vx::msi
