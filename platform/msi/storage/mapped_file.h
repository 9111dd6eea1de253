#pragma once
// A file mapped read-only into memory (PROT_READ, MAP_PRIVATE): the package is never written.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace vx::msi {

class MappedFile {
public:
    // Throws MsiFailure with the Win32 code of the system's reason when the file cannot be
    // opened or mapped.
    explicit MappedFile(std::u16string_view path);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    std::span<const uint8_t> Bytes() const { return {m_data, m_size}; }

private:
    const uint8_t* m_data = nullptr;
    size_t m_size = 0;
};

} // namespace vx::msi
