#include "platform/msi/file_version.h"
#include "platform/sys/little_endian.h"

#include "platform/sys/file_handle.h"
#include "platform/sys/file_system.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

namespace vx::msi {
namespace {

// How a parse step gives up; caught once at the public entry points.
struct ParseFailure {
    Win32Error code;
};

[[noreturn]] void NotAVersionedFile() {
    throw ParseFailure{ERROR_FILE_INVALID};
}
[[noreturn]] void DamagedVersionResource() {
    throw ParseFailure{ERROR_INVALID_DATA};
}

size_t AlignUp4(size_t value) {
    return (value + 3) & ~size_t{3};
}

// Random access to the bytes being parsed. A read must lie wholly inside the source.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual uint64_t Size() const = 0;
    // Fills `dst` from `offset`; throws ParseFailure when the range is not inside the source.
    virtual void ReadAt(uint64_t offset, std::span<uint8_t> dst) = 0;

    std::vector<uint8_t> Read(uint64_t offset, size_t size) {
        std::vector<uint8_t> bytes(size);
        ReadAt(offset, bytes);
        return bytes;
    }

protected:
    bool Contains(uint64_t offset, size_t size) const {
        return offset <= Size() && size <= Size() - offset;
    }
};

class SpanSource final : public ByteSource {
public:
    explicit SpanSource(std::span<const uint8_t> bytes) : m_bytes(bytes) {}
    uint64_t Size() const override { return m_bytes.size(); }
    void ReadAt(uint64_t offset, std::span<uint8_t> dst) override {
        if (!Contains(offset, dst.size())) {
            NotAVersionedFile();
        }
        if (!dst.empty()) {
            std::memcpy(dst.data(), m_bytes.data() + offset, dst.size());
        }
    }

private:
    std::span<const uint8_t> m_bytes;
};

// Reads only the ranges asked for, so a huge file costs no more than a small one.
class FileSource final : public ByteSource {
public:
    FileSource(FileHandle& file, uint64_t size) : m_file(file), m_size(size) {}
    uint64_t Size() const override { return m_size; }
    void ReadAt(uint64_t offset, std::span<uint8_t> dst) override {
        if (!Contains(offset, dst.size())) {
            NotAVersionedFile();
        }
        if (offset > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) ||
            !m_file.Seek(static_cast<int64_t>(offset), SeekOrigin::Begin)) {
            throw ParseFailure{ERROR_ACCESS_DENIED};
        }
        size_t done = 0;
        while (done < dst.size()) {
            const auto n = m_file.Read(dst.data() + done, dst.size() - done);
            if (!n) {
                throw ParseFailure{ERROR_ACCESS_DENIED};
            }
            if (*n == 0) {
                NotAVersionedFile(); // the file shrank while we read it
            }
            done += *n;
        }
    }

private:
    FileHandle& m_file;
    uint64_t m_size;
};

struct Section {
    uint32_t virtualAddress;
    uint32_t rawSize;
    uint32_t rawOffset;
};

// A range of the file that an RVA maps to: where it starts and how many bytes of the section's
// file data follow it.
struct MappedRange {
    uint64_t offset;
    uint64_t available;
};

constexpr uint32_t kPeSignature = 0x00004550; // "PE\0\0"
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr uint32_t kResourceDirectoryIndex = 2;
constexpr uint32_t kRtVersion = 16;
constexpr uint32_t kHighBit = 0x80000000;
constexpr uint32_t kFixedFileInfoSignature = 0xFEEF04BD;
constexpr size_t kFixedFileInfoSize = 52;
constexpr size_t kBlockHeaderSize = 6;
// VS_VERSIONINFO's wLength is 16 bits, so nothing of it lies beyond this many bytes.
constexpr size_t kMaxVersionInfoSize = 0xFFFF;

class PeFile {
public:
    explicit PeFile(ByteSource& source) : m_source(source) {}

    // The bytes of the RT_VERSION resource (first name, first language), at most
    // kMaxVersionInfoSize of them.
    std::vector<uint8_t> VersionResource() {
        ReadHeaders();
        const MappedRange root = Map(m_resourceRva);
        m_resourceRoot = root.offset;
        m_resourceExtent = root.available;

        // The tree has exactly three levels (type, name, language); following exactly three
        // offsets means a directory that points back at itself or an ancestor cannot loop.
        const auto typeEntry = FindIdEntry(0, kRtVersion);
        if (!typeEntry || (typeEntry->target & kHighBit) == 0) {
            NotAVersionedFile();
        }
        const auto nameEntry = FirstEntry(typeEntry->target & ~kHighBit);
        if ((nameEntry.target & kHighBit) == 0) {
            NotAVersionedFile();
        }
        const auto languageEntry = FirstEntry(nameEntry.target & ~kHighBit);
        if ((languageEntry.target & kHighBit) != 0) {
            NotAVersionedFile();
        }

        const auto dataEntry = ReadResourceBytes(languageEntry.target, 16);
        const uint32_t dataRva = ReadLe32(dataEntry, 0);
        const uint32_t dataSize = ReadLe32(dataEntry, 4);
        const MappedRange data = Map(dataRva);
        if (dataSize > data.available) {
            NotAVersionedFile(); // the resource runs past its section's data
        }
        return m_source.Read(data.offset, std::min<size_t>(dataSize, kMaxVersionInfoSize));
    }

private:
    struct DirectoryEntry {
        uint32_t name;
        uint32_t target;
    };

    void ReadHeaders() {
        const auto dos = m_source.Read(0, 64);
        if (dos[0] != 'M' || dos[1] != 'Z') {
            NotAVersionedFile();
        }
        const uint64_t peOffset = ReadLe32(dos, 0x3C);
        const auto coff = m_source.Read(peOffset, 24);
        if (ReadLe32(coff, 0) != kPeSignature) {
            NotAVersionedFile();
        }
        const uint16_t sectionCount = ReadLe16(coff, 6);
        const uint16_t optionalSize = ReadLe16(coff, 20);
        const uint64_t optionalOffset = peOffset + 24;
        const auto optional = m_source.Read(optionalOffset, optionalSize);
        if (optional.size() < 2) {
            NotAVersionedFile();
        }
        size_t countOffset = 0;
        switch (ReadLe16(optional, 0)) {
        case kPe32Magic:
            countOffset = 92;
            break;
        case kPe32PlusMagic:
            countOffset = 108;
            break;
        default:
            NotAVersionedFile();
        }
        const size_t directoriesOffset = countOffset + 4;
        const size_t resourceEntry = directoriesOffset + 8 * kResourceDirectoryIndex;
        if (optional.size() < resourceEntry + 8 ||
            ReadLe32(optional, countOffset) <= kResourceDirectoryIndex) {
            NotAVersionedFile(); // no resource directory
        }
        m_resourceRva = ReadLe32(optional, resourceEntry);
        if (m_resourceRva == 0 || ReadLe32(optional, resourceEntry + 4) == 0) {
            NotAVersionedFile();
        }

        // At most 65535 entries of 40 bytes: bounded by the field's width.
        const auto table = m_source.Read(optionalOffset + optionalSize, size_t{40} * sectionCount);
        m_sections.reserve(sectionCount);
        for (size_t i = 0; i < sectionCount; ++i) {
            const size_t at = 40 * i;
            m_sections.push_back(
                {ReadLe32(table, at + 12), ReadLe32(table, at + 16), ReadLe32(table, at + 20)});
        }
    }

    // Only a section's file data counts: the zero-filled tail of its memory image holds nothing
    // a resource could be read from.
    MappedRange Map(uint32_t rva) const {
        for (const Section& s : m_sections) {
            if (rva < s.virtualAddress || rva - s.virtualAddress >= s.rawSize) {
                continue;
            }
            const uint64_t offset = uint64_t{s.rawOffset} + (rva - s.virtualAddress);
            if (offset >= m_source.Size()) {
                NotAVersionedFile();
            }
            const uint64_t inSection = s.rawSize - (rva - s.virtualAddress);
            return {offset, std::min(inSection, m_source.Size() - offset)};
        }
        NotAVersionedFile(); // an RVA outside every section
    }

    // Bytes at an offset from the resource root, which must stay inside the root's section.
    std::vector<uint8_t> ReadResourceBytes(uint64_t offset, size_t size) {
        if (offset > m_resourceExtent || size > m_resourceExtent - offset) {
            NotAVersionedFile();
        }
        return m_source.Read(m_resourceRoot + offset, size);
    }

    std::vector<uint8_t> ReadDirectoryEntries(uint32_t offset) {
        const auto header = ReadResourceBytes(offset, 16);
        // Both counts are 16 bits, so a directory has at most 131070 entries (about 1 MiB), and
        // they must fit in the section besides.
        const size_t count = size_t{ReadLe16(header, 12)} + ReadLe16(header, 14);
        return ReadResourceBytes(uint64_t{offset} + 16, 8 * count);
    }

    std::optional<DirectoryEntry> FindIdEntry(uint32_t directory, uint32_t id) {
        const auto entries = ReadDirectoryEntries(directory);
        for (size_t at = 0; at + 8 <= entries.size(); at += 8) {
            const uint32_t name = ReadLe32(entries, at);
            if (name == id) { // a named entry has the high bit set, so never matches
                return DirectoryEntry{name, ReadLe32(entries, at + 4)};
            }
        }
        return std::nullopt;
    }

    DirectoryEntry FirstEntry(uint32_t directory) {
        const auto entries = ReadDirectoryEntries(directory);
        if (entries.empty()) {
            NotAVersionedFile();
        }
        return {ReadLe32(entries, 0), ReadLe32(entries, 4)};
    }

    ByteSource& m_source;
    std::vector<Section> m_sections;
    uint32_t m_resourceRva = 0;
    uint64_t m_resourceRoot = 0;
    uint64_t m_resourceExtent = 0;
};

// One node of VS_VERSIONINFO: wLength, wValueLength, wType, a zero-terminated UTF-16 key, then
// the value and the children, each starting on a 4-byte boundary of the resource.
struct VersionBlock {
    size_t end = 0;
    std::u16string key;
    size_t valueOffset = 0;
    size_t valueBytes = 0;
    size_t childrenOffset = 0;
};

VersionBlock ParseBlock(std::span<const uint8_t> data, size_t at, size_t limit) {
    if (limit - at < kBlockHeaderSize) {
        DamagedVersionResource();
    }
    const size_t length = ReadLe16(data, at);
    if (length < kBlockHeaderSize || length > limit - at) {
        DamagedVersionResource();
    }
    VersionBlock block;
    block.end = at + length;
    const size_t valueLength = ReadLe16(data, at + 2);
    const uint16_t type = ReadLe16(data, at + 4);
    size_t pos = at + kBlockHeaderSize;
    for (;;) {
        if (block.end - pos < 2) {
            DamagedVersionResource(); // the key has no terminator
        }
        const char16_t c = static_cast<char16_t>(ReadLe16(data, pos));
        pos += 2;
        if (c == 0) {
            break;
        }
        block.key.push_back(c);
    }
    // Text values count UTF-16 units, binary values count bytes.
    block.valueBytes = type == 1 ? 2 * valueLength : valueLength;
    block.valueOffset = std::min(AlignUp4(pos), block.end);
    block.valueBytes = std::min(block.valueBytes, block.end - block.valueOffset);
    block.childrenOffset = std::min(AlignUp4(block.valueOffset + block.valueBytes), block.end);
    return block;
}

// Calls `visit` for each child of `parent`. Trailing padding (fewer bytes than a header, or a
// zero length) ends the list; anything else malformed is damage.
template <class Visit>
void ForEachChild(std::span<const uint8_t> data, const VersionBlock& parent, Visit visit) {
    size_t at = parent.childrenOffset;
    while (parent.end - at >= kBlockHeaderSize && ReadLe16(data, at) != 0) {
        const VersionBlock child = ParseBlock(data, at, parent.end);
        visit(child);
        at = std::min(AlignUp4(child.end), parent.end);
    }
}

std::u16string DecimalText(uint32_t value) {
    std::u16string text;
    do {
        text.insert(text.begin(), static_cast<char16_t>(u'0' + value % 10));
        value /= 10;
    } while (value != 0);
    return text;
}

FileVersionInfo ParseVersionInfo(std::span<const uint8_t> data) {
    const VersionBlock root = ParseBlock(data, 0, data.size());
    if (root.key != u"VS_VERSION_INFO") {
        DamagedVersionResource();
    }
    if (root.valueBytes == 0) {
        NotAVersionedFile(); // a version resource without VS_FIXEDFILEINFO has no version
    }
    if (root.valueBytes < kFixedFileInfoSize ||
        ReadLe32(data, root.valueOffset) != kFixedFileInfoSignature) {
        DamagedVersionResource();
    }
    const uint32_t ms = ReadLe32(data, root.valueOffset + 8);
    const uint32_t ls = ReadLe32(data, root.valueOffset + 12);
    FileVersionInfo info;
    info.version = DecimalText(ms >> 16) + u'.' + DecimalText(ms & 0xFFFF) + u'.' +
                   DecimalText(ls >> 16) + u'.' + DecimalText(ls & 0xFFFF);

    // Each Translation entry is a language id (low word) and a code page (high word). The
    // File table's Language column lists languages, not code pages, so a language listed with
    // several code pages appears once, in its first position. A file without a Translation
    // value still has a version; its language is empty, as the column is for such a file.
    std::vector<uint16_t> languages;
    ForEachChild(data, root, [&](const VersionBlock& child) {
        if (child.key != u"VarFileInfo") {
            return;
        }
        ForEachChild(data, child, [&](const VersionBlock& var) {
            if (var.key != u"Translation") {
                return;
            }
            for (size_t at = 0; at + 4 <= var.valueBytes; at += 4) {
                const uint16_t language = ReadLe16(data, var.valueOffset + at);
                if (std::find(languages.begin(), languages.end(), language) == languages.end()) {
                    languages.push_back(language);
                }
            }
        });
    });
    for (const uint16_t language : languages) {
        if (!info.language.empty()) {
            info.language += u',';
        }
        info.language += DecimalText(language);
    }
    return info;
}

Win32Error ReadFrom(ByteSource& source, FileVersionInfo& out) {
    out = {};
    try {
        PeFile pe(source);
        const auto resource = pe.VersionResource();
        out = ParseVersionInfo(resource);
        return ERROR_SUCCESS;
    } catch (const ParseFailure& failure) {
        return failure.code;
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

} // namespace

Win32Error ReadFileVersion(std::span<const uint8_t> bytes, FileVersionInfo& out) {
    SpanSource source(bytes);
    return ReadFrom(source, out);
}

Win32Error ReadFileVersion(std::u16string_view path, FileVersionInfo& out) {
    out = {};
    if (IsDirectory(path)) {
        return ERROR_ACCESS_DENIED; // as opening a folder for reading is on Windows
    }
    FileHandle file;
    if (!file.Open(path, Access::Read, Creation::OpenExisting, Sharing::Read)) {
        const Win32Error error = GetLastError();
        // A missing folder on the way is still "the file does not exist" to this API.
        return error == ERROR_PATH_NOT_FOUND ? ERROR_FILE_NOT_FOUND : error;
    }
    const auto size = file.Size();
    if (!size) {
        return ERROR_ACCESS_DENIED;
    }
    FileSource source(file, *size);
    return ReadFrom(source, out);
}

} // namespace vx::msi
