#pragma once
// An open file with the creation and sharing modes the Windows callers ask for. A file opened
// without sharing holds an exclusive lock, so a second opener fails with ERROR_SHARING_VIOLATION.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vx {

enum class Creation {
    CreateNew,    // fails when the file exists
    CreateAlways, // truncates an existing file
    OpenExisting, // fails when the file does not exist
    OpenAlways,   // creates the file when it does not exist, keeps its contents otherwise
};

enum class Access { Read, Write, ReadWrite };
enum class Sharing { None, Read };
enum class SeekOrigin { Begin, Current, End };

class FileHandle {
public:
    FileHandle() = default;
    ~FileHandle();
    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    // False on failure, with the reason in GetLastError().
    bool Open(std::u16string_view path, Access access, Creation creation,
              Sharing sharing = Sharing::Read);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }

    // Reads up to `size` bytes; the count read, 0 at the end, nullopt on failure.
    std::optional<size_t> Read(void* buffer, size_t size);
    // Writes all bytes; false on failure.
    bool Write(const void* data, size_t size);
    // The new position, or nullopt on failure.
    std::optional<uint64_t> Seek(int64_t offset, SeekOrigin origin);
    std::optional<uint64_t> Size() const;
    bool Flush();

private:
    int m_fd = -1;
};

} // namespace vx
