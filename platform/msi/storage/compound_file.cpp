#include "platform/msi/storage/compound_file.h"
#include "platform/sys/little_endian.h"

#include "platform/msi/msi_failure.h"
#include "platform/sys/format_string.h"

#include <algorithm>
#include <cstring>

namespace vx::msi {
namespace {

constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFreeSector = 0xFFFFFFFF;
constexpr uint32_t kMaxRegularSector = 0xFFFFFFFA;
constexpr uint32_t kNoEntry = 0xFFFFFFFF;
constexpr uint32_t kMiniSectorSize = 64;
constexpr uint32_t kMiniStreamCutoff = 4096;
constexpr uint32_t kHeaderDifatEntries = 109;
constexpr uint32_t kEntrySize = 128;

uint64_t CeilDiv(uint64_t value, uint64_t unit) {
    return (value + unit - 1) / unit;
}

// A sector read in full; a final sector cut short by the end of the file reads as zeros past
// the end (Windows opens such files).
std::vector<uint8_t> FullSector(std::span<const uint8_t> part, uint32_t size) {
    std::vector<uint8_t> out(size, 0);
    std::memcpy(out.data(), part.data(), std::min<size_t>(part.size(), size));
    return out;
}

struct RawEntry {
    uint32_t left = kNoEntry;
    uint32_t right = kNoEntry;
    uint32_t child = kNoEntry;
};

} // namespace

CompoundFile::CompoundFile(std::span<const uint8_t> bytes) : m_bytes(bytes) {
    if (bytes.size() < sizeof(kSignature) ||
        std::memcmp(bytes.data(), kSignature, sizeof(kSignature)) != 0) {
        ThrowDamaged(u"the file is not a compound file (its signature is missing)");
    }
    if (bytes.size() < 512) {
        ThrowDamaged(FormatString(u"the file holds %u bytes, too few for a compound file header",
                                  bytes.size()));
    }
    const std::span<const uint8_t> header = bytes.first(512);
    m_majorVersion = ReadLe16(header, 26);
    if (m_majorVersion != 3 && m_majorVersion != 4) {
        ThrowDamaged(FormatString(u"unknown compound file version %u", m_majorVersion));
    }
    if (ReadLe16(header, 28) != 0xFFFE) {
        ThrowDamaged(u"the compound file header has a wrong byte-order mark");
    }
    // Version 3 files use 512-byte sectors and version 4 files 4096-byte ones; either size is
    // read whatever the version says, since the layout is the same.
    const uint16_t sectorShift = ReadLe16(header, 30);
    if (sectorShift != 9 && sectorShift != 12) {
        ThrowDamaged(FormatString(u"unsupported sector size 2^%u", sectorShift));
    }
    if (ReadLe16(header, 32) != 6) {
        ThrowDamaged(FormatString(u"unsupported mini sector size 2^%u", ReadLe16(header, 32)));
    }
    if (ReadLe32(header, 56) != kMiniStreamCutoff) {
        ThrowDamaged(FormatString(u"unsupported mini stream cutoff %u", ReadLe32(header, 56)));
    }
    m_sectorSize = 1u << sectorShift;
    m_headerSize = m_sectorSize; // the header occupies the whole first sector
    if (bytes.size() < m_headerSize) {
        ThrowDamaged(FormatString(u"the file holds %u bytes, less than its %u-byte header sector",
                                  bytes.size(), m_headerSize));
    }
    m_sectorCount = static_cast<uint32_t>(
        std::min<uint64_t>(CeilDiv(bytes.size() - m_headerSize, m_sectorSize), kMaxRegularSector));

    ReadFat(header);
    ReadDirectory(ReadLe32(header, 48));

    // Mini FAT: its header count is not trusted, the chain is.
    const uint32_t firstMiniFat = ReadLe32(header, 60);
    if (firstMiniFat != kEndOfChain && firstMiniFat != kFreeSector) {
        const auto sectors = Chain(Table::Fat, firstMiniFat, std::nullopt, u"the mini FAT");
        std::vector<uint8_t> raw;
        CopySectors(sectors, static_cast<uint64_t>(sectors.size()) * m_sectorSize, raw);
        m_miniFat.resize(raw.size() / 4);
        for (size_t i = 0; i < m_miniFat.size(); ++i) {
            m_miniFat[i] = ReadLe32(raw, i * 4);
        }
    }
}

std::span<const uint8_t> CompoundFile::SectorBytes(uint32_t sector) const {
    const uint64_t offset = m_headerSize + static_cast<uint64_t>(sector) * m_sectorSize;
    if (offset >= m_bytes.size()) {
        return {};
    }
    return m_bytes.subspan(
        static_cast<size_t>(offset),
        static_cast<size_t>(std::min<uint64_t>(m_sectorSize, m_bytes.size() - offset)));
}

void CompoundFile::ReadFat(std::span<const uint8_t> header) {
    const uint32_t fatCount = ReadLe32(header, 44);
    if (fatCount > m_sectorCount) {
        ThrowDamaged(FormatString(u"the header declares %u FAT sectors, but the file holds only "
                                  u"%u sectors",
                                  fatCount, m_sectorCount));
    }
    std::vector<uint32_t> fatSectors;
    fatSectors.reserve(fatCount);
    for (uint32_t i = 0; i < std::min(fatCount, kHeaderDifatEntries); ++i) {
        fatSectors.push_back(ReadLe32(header, 76 + size_t{i} * 4));
    }
    // The rest of the FAT sector list lives in the DIFAT chain: each of its sectors holds
    // (sector size / 4 - 1) entries and, last, the index of the next DIFAT sector.
    const uint32_t perDifatSector = m_sectorSize / 4 - 1;
    uint32_t difat = ReadLe32(header, 68);
    std::vector<bool> seen;
    while (fatSectors.size() < fatCount) {
        if (difat == kEndOfChain || difat == kFreeSector) {
            ThrowDamaged(FormatString(u"the DIFAT ends after %u of the %u FAT sectors",
                                      fatSectors.size(), fatCount));
        }
        if (difat >= m_sectorCount) {
            ThrowDamaged(FormatString(u"DIFAT sector %u lies outside the file's %u sectors", difat,
                                      m_sectorCount));
        }
        seen.resize(m_sectorCount, false);
        if (seen[difat]) {
            ThrowDamaged(FormatString(u"the DIFAT chain loops at sector %u", difat));
        }
        seen[difat] = true;
        const auto sector = FullSector(SectorBytes(difat), m_sectorSize);
        for (uint32_t j = 0; j < perDifatSector && fatSectors.size() < fatCount; ++j) {
            fatSectors.push_back(ReadLe32(sector, size_t{j} * 4));
        }
        difat = ReadLe32(sector, m_sectorSize - 4);
    }

    m_fat.reserve(static_cast<size_t>(fatCount) * (m_sectorSize / 4));
    for (size_t i = 0; i < fatSectors.size(); ++i) {
        if (fatSectors[i] >= m_sectorCount) {
            ThrowDamaged(FormatString(u"FAT sector %u (number %u of the FAT) lies outside the "
                                      u"file's %u sectors",
                                      fatSectors[i], i, m_sectorCount));
        }
        const auto sector = FullSector(SectorBytes(fatSectors[i]), m_sectorSize);
        for (uint32_t j = 0; j < m_sectorSize / 4; ++j) {
            m_fat.push_back(ReadLe32(sector, size_t{j} * 4));
        }
    }
}

std::vector<uint32_t> CompoundFile::Chain(Table table, uint32_t start,
                                          std::optional<uint64_t> needed,
                                          std::u16string_view what) const {
    const std::vector<uint32_t>& next = table == Table::Fat ? m_fat : m_miniFat;
    const uint64_t limit =
        table == Table::Fat ? m_sectorCount : CeilDiv(m_miniStream.size(), kMiniSectorSize);
    const char16_t* unit = table == Table::Fat ? u"sectors" : u"mini sectors";
    if (needed && *needed > limit) {
        ThrowDamaged(FormatString(u"%s needs %u %s, but the file holds only %u", what, *needed,
                                  unit, limit));
    }
    std::vector<uint32_t> sectors;
    if (needed) {
        sectors.reserve(static_cast<size_t>(*needed));
    }
    uint32_t current = start;
    while (!(needed && sectors.size() == *needed)) {
        if (current == kEndOfChain) {
            if (!needed) {
                break;
            }
            ThrowDamaged(FormatString(u"the chain of %s ends after %u of its %u %s", what,
                                      sectors.size(), *needed, unit));
        }
        if (current >= limit) {
            ThrowDamaged(FormatString(u"the chain of %s reaches sector 0x%X, outside the %u %s "
                                      u"the file holds",
                                      what, current, limit, unit));
        }
        if (sectors.size() >= limit) {
            ThrowDamaged(FormatString(u"the chain of %s loops (it is longer than the %u %s the "
                                      u"file holds)",
                                      what, limit, unit));
        }
        sectors.push_back(current);
        if (needed && sectors.size() == *needed) {
            break;
        }
        if (current >= next.size()) {
            ThrowDamaged(FormatString(u"the chain of %s reaches sector %u, which the %s does not "
                                      u"cover",
                                      what, current, table == Table::Fat ? u"FAT" : u"mini FAT"));
        }
        current = next[current];
    }
    if (sectors.size() > 1) {
        std::vector<uint32_t> sorted = sectors;
        std::sort(sorted.begin(), sorted.end());
        const auto twice = std::adjacent_find(sorted.begin(), sorted.end());
        if (twice != sorted.end()) {
            ThrowDamaged(FormatString(u"the chain of %s loops at sector %u", what, *twice));
        }
    }
    return sectors;
}

void CompoundFile::CopySectors(const std::vector<uint32_t>& sectors, uint64_t size,
                               std::vector<uint8_t>& out) const {
    out.assign(static_cast<size_t>(size), 0);
    size_t at = 0;
    for (uint32_t sector : sectors) {
        if (at >= out.size()) {
            break;
        }
        const auto part = SectorBytes(sector);
        const size_t take = std::min<size_t>({part.size(), out.size() - at, m_sectorSize});
        std::memcpy(out.data() + at, part.data(), take);
        at += m_sectorSize;
    }
}

void CompoundFile::ReadDirectory(uint32_t firstSector) {
    const auto sectors = Chain(Table::Fat, firstSector, std::nullopt, u"the directory");
    if (sectors.empty()) {
        ThrowDamaged(u"the compound file has no directory");
    }
    std::vector<uint8_t> raw;
    CopySectors(sectors, static_cast<uint64_t>(sectors.size()) * m_sectorSize, raw);
    const size_t count = raw.size() / kEntrySize;

    std::vector<CompoundEntry> entries(count);
    std::vector<uint32_t> left(count), right(count);
    uint32_t rootChild = kNoEntry;
    for (size_t i = 0; i < count; ++i) {
        const std::span<const uint8_t> e(raw.data() + i * kEntrySize, kEntrySize);
        CompoundEntry& entry = entries[i];
        entry.id = static_cast<uint32_t>(i);
        const uint8_t type = e[66];
        if (type != 0 && type != 1 && type != 2 && type != 5) {
            // Unknown types are skipped, as unused entries are, if the tree reaches them.
            entry.type = CompoundEntryType::Unused;
        } else {
            entry.type = static_cast<CompoundEntryType>(type);
        }
        // The stored length counts bytes with the terminating zero; it is only a bound here.
        const uint16_t nameBytes = ReadLe16(e, 64);
        const size_t units = std::min<size_t>(nameBytes >= 2 ? nameBytes / 2 - 1 : 0, 31);
        for (size_t k = 0; k < units; ++k) {
            const char16_t c = ReadLe16(e, k * 2);
            if (c == 0) {
                break;
            }
            entry.name.push_back(c);
        }
        left[i] = ReadLe32(e, 68);
        right[i] = ReadLe32(e, 72);
        entry.startSector = ReadLe32(e, 116);
        entry.size = ReadLe64(e, 120);
        if (m_majorVersion == 3) {
            // Version 3 writers leave garbage in the high half; Windows ignores it.
            entry.size &= 0xFFFFFFFFu;
        }
        if (i == 0) {
            rootChild = ReadLe32(e, 76);
            std::memcpy(m_rootClassId.data(), e.data() + 80, m_rootClassId.size());
        }
    }
    if (entries[0].type != CompoundEntryType::Root) {
        ThrowDamaged(u"directory entry 0 is not the root storage");
    }

    // The root's start and size describe the mini stream, which every small stream lives in.
    const CompoundEntry& root = entries[0];
    if (root.size > static_cast<uint64_t>(m_sectorCount) * m_sectorSize) {
        ThrowDamaged(FormatString(u"the mini stream declares %u bytes, more than the file holds",
                                  root.size));
    }
    if (root.size > 0) {
        const auto chain = Chain(Table::Fat, root.startSector, CeilDiv(root.size, m_sectorSize),
                                 u"the mini stream");
        CopySectors(chain, root.size, m_miniStream);
    }

    CollectRootChildren(entries, left, right, rootChild);
}

void CompoundFile::CollectRootChildren(const std::vector<CompoundEntry>& entries,
                                       const std::vector<uint32_t>& left,
                                       const std::vector<uint32_t>& right, uint32_t firstChild) {
    // In-order walk of the root's red-black tree without recursion; each entry may be met once.
    const size_t count = entries.size();
    std::vector<bool> seen(count, false);
    seen[0] = true; // the root itself is never its own descendant
    std::vector<uint32_t> stack;
    uint32_t current = firstChild;
    while (current != kNoEntry || !stack.empty()) {
        while (current != kNoEntry) {
            if (current >= count) {
                ThrowDamaged(FormatString(u"the directory links to entry %u, beyond its %u "
                                          u"entries",
                                          current, count));
            }
            if (seen[current]) {
                ThrowDamaged(FormatString(u"the directory tree loops at entry %u", current));
            }
            seen[current] = true;
            stack.push_back(current);
            current = left[current];
        }
        const uint32_t id = stack.back();
        stack.pop_back();
        const CompoundEntry& entry = entries[id];
        if (entry.type == CompoundEntryType::Stream || entry.type == CompoundEntryType::Storage) {
            m_childByName.emplace(entry.name, m_children.size());
            m_children.push_back(entry);
        }
        current = right[id];
    }
}

const CompoundEntry* CompoundFile::FindRootChild(std::u16string_view storedName) const {
    const auto it = m_childByName.find(std::u16string(storedName));
    return it == m_childByName.end() ? nullptr : &m_children[it->second];
}

std::vector<uint8_t> CompoundFile::ReadStream(const CompoundEntry& entry,
                                              std::u16string_view displayName) const {
    const std::u16string what = FormatString(
        u"stream '%s'", displayName.empty() ? std::u16string_view(entry.name) : displayName);
    if (entry.type != CompoundEntryType::Stream) {
        ThrowDamaged(FormatString(u"%s is not a stream", what));
    }
    std::vector<uint8_t> out;
    if (entry.size == 0) {
        return out;
    }
    if (entry.size < kMiniStreamCutoff) {
        if (entry.size > m_miniStream.size()) {
            ThrowDamaged(FormatString(u"%s declares %u bytes, more than the %u-byte mini stream "
                                      u"holds",
                                      what, entry.size, m_miniStream.size()));
        }
        const auto chain =
            Chain(Table::MiniFat, entry.startSector, CeilDiv(entry.size, kMiniSectorSize), what);
        out.assign(static_cast<size_t>(entry.size), 0);
        size_t at = 0;
        for (uint32_t sector : chain) {
            const size_t from = size_t{sector} * kMiniSectorSize;
            const size_t take =
                std::min<size_t>({kMiniSectorSize, out.size() - at, m_miniStream.size() - from});
            std::memcpy(out.data() + at, m_miniStream.data() + from, take);
            at += kMiniSectorSize;
        }
        return out;
    }
    const uint64_t capacity = static_cast<uint64_t>(m_sectorCount) * m_sectorSize;
    if (entry.size > capacity) {
        ThrowDamaged(FormatString(u"%s declares %u bytes, more than the file's %u sectors hold",
                                  what, entry.size, m_sectorCount));
    }
    const auto chain =
        Chain(Table::Fat, entry.startSector, CeilDiv(entry.size, m_sectorSize), what);
    CopySectors(chain, entry.size, out);
    return out;
}

} // namespace vx::msi
