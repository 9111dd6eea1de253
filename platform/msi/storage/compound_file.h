#pragma once
// Reader of compound files ("structured storage"), the container of every installer package.
// It works over bytes that stay where they are (a read-only mapping of the package): nothing is
// copied at open except the allocation tables, the directory and the mini stream. Every sector
// index, chain and size taken from the file is checked before use; damage raises ThrowDamaged.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vx::msi {

enum class CompoundEntryType : uint8_t { Unused = 0, Storage = 1, Stream = 2, Root = 5 };

struct CompoundEntry {
    std::u16string name; // as stored (installer names are still encoded here)
    CompoundEntryType type = CompoundEntryType::Unused;
    uint32_t id = 0;          // directory entry number
    uint32_t startSector = 0; // in the FAT, or in the mini FAT for a small stream
    uint64_t size = 0;
};

class CompoundFile {
public:
    // Parses header, FAT, DIFAT, mini FAT, mini stream and the root's part of the directory.
    explicit CompoundFile(std::span<const uint8_t> bytes);

    unsigned MajorVersion() const { return m_majorVersion; }
    uint32_t SectorSize() const { return m_sectorSize; }
    // Sectors the file holds after its header, counting a short final one.
    uint32_t SectorCount() const { return m_sectorCount; }

    // The class id stored in the root entry, as its 16 bytes appear in the file.
    const std::array<uint8_t, 16>& RootClassId() const { return m_rootClassId; }

    // The root storage's direct children in directory-tree order (the order the format sorts
    // names in: shorter first, then by upper-cased code unit), which is also the order of
    // Windows' enumeration.
    const std::vector<CompoundEntry>& RootChildren() const { return m_children; }
    // The child with exactly that stored name, or nullptr.
    const CompoundEntry* FindRootChild(std::u16string_view storedName) const;

    // The whole stream. Throws on any damage of its chain; `displayName` names the stream in
    // the failure's detail (the stored name when empty).
    std::vector<uint8_t> ReadStream(const CompoundEntry& entry,
                                    std::u16string_view displayName = {}) const;

private:
    enum class Table { Fat, MiniFat };

    std::span<const uint8_t> SectorBytes(uint32_t sector) const;
    // The sectors of a chain. With `needed` set, exactly that many are taken (a chain may run
    // longer); without it the chain is followed to its end. Ends with an error on an index
    // outside the file, a chain that is too short or a loop.
    std::vector<uint32_t> Chain(Table table, uint32_t start, std::optional<uint64_t> needed,
                                std::u16string_view what) const;
    void CopySectors(const std::vector<uint32_t>& sectors, uint64_t size,
                     std::vector<uint8_t>& out) const;
    void ReadFat(std::span<const uint8_t> header);
    void ReadDirectory(uint32_t firstSector);
    void CollectRootChildren(const std::vector<CompoundEntry>& entries,
                             const std::vector<uint32_t>& left, const std::vector<uint32_t>& right,
                             uint32_t firstChild);

    std::span<const uint8_t> m_bytes;
    unsigned m_majorVersion = 3;
    uint32_t m_sectorSize = 512;
    uint32_t m_headerSize = 512;
    uint32_t m_sectorCount = 0;
    std::vector<uint32_t> m_fat;
    std::vector<uint32_t> m_miniFat;
    std::vector<uint8_t> m_miniStream;
    std::array<uint8_t, 16> m_rootClassId{};
    std::vector<CompoundEntry> m_children;
    std::unordered_map<std::u16string, size_t> m_childByName;
};

} // namespace vx::msi
