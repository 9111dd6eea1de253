#pragma once
// Writes compound files and installer databases in memory, so that tests control every byte:
// sector size, DIFAT, mini stream, string pool layout, code page. The tests then damage the
// result at offsets the writer reports.

#include "platform/msi/storage/installer_storage.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace vx::msi::test {

// `v` little-endian in `width` bytes at `at`, or after the end.
inline void Put(std::vector<uint8_t>& b, size_t at, uint32_t v, size_t width = 4) {
    for (size_t i = 0; i < width; ++i) {
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
}
inline uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t{b.at(at)} | uint32_t{b.at(at + 1)} << 8 | uint32_t{b.at(at + 2)} << 16 |
           uint32_t{b.at(at + 3)} << 24;
}
inline void Append(std::vector<uint8_t>& b, uint32_t v, size_t width = 4) {
    b.resize(b.size() + width);
    Put(b, b.size() - width, v, width);
}

struct CfbStream {
    std::u16string name; // stored name
    std::vector<uint8_t> data;
};

struct CfbLayout {
    uint32_t sectorSize = 512;
    std::vector<uint32_t> fatSectors;
    uint32_t firstDirectorySector = 0;
    std::vector<uint32_t> entryOfStream; // directory entry number of each input stream
    std::vector<uint32_t> firstSectorOfStream;

    size_t SectorOffset(uint32_t sector) const { return size_t{sector + 1} * sectorSize; }
    // Where FAT entry `index` is stored in the file.
    size_t FatEntryOffset(uint32_t index) const;
    // Where directory entry `entry` starts (the writer keeps the directory contiguous).
    size_t EntryOffset(uint32_t entry) const {
        return SectorOffset(firstDirectorySector) + size_t{entry} * 128;
    }
};

// All streams become children of the root, whose class is an installer database's unless
// `installerClass` is false. Version 3 writes 512-byte sectors, version 4 4096-byte ones.
std::vector<uint8_t> WriteCompoundFile(const std::vector<CfbStream>& streams,
                                       unsigned majorVersion = 3, CfbLayout* layout = nullptr,
                                       bool installerClass = true);

using Cell = std::variant<std::monostate, int32_t, std::u16string>;

// Column types as the tests write them; add the width (and kColumnKey, kColumnNullable, ...).
inline constexpr uint16_t kText = kColumnValid | kColumnShort | kColumnString;
inline constexpr uint16_t kInteger = kColumnValid;
inline constexpr uint16_t kBinary = kColumnValid | kColumnString;

inline constexpr uint16_t kKey72 = kText | kColumnKey | 72;
inline constexpr uint16_t kS72 = kText | kColumnNullable | 72;
inline constexpr uint16_t kL255 = kText | kColumnLocalizable | 255;

struct TablePlan {
    std::u16string name;
    std::vector<ColumnInfo> columns; // name and type; number comes from the position
    std::vector<std::vector<Cell>> rows;
};

// Standard tables, as far as the package reader reads their columns (by position).
inline TablePlan DirectoryTable(std::vector<std::vector<Cell>> rows) {
    return {u"Directory",
            {{u"Directory", kKey72, 0}, {u"Directory_Parent", kS72, 0}, {u"DefaultDir", kL255, 0}},
            std::move(rows)};
}
inline TablePlan ComponentTable(std::vector<std::vector<Cell>> rows) {
    return {u"Component",
            {{u"Component", kKey72, 0}, {u"ComponentId", kS72, 0}, {u"Directory_", kText | 72, 0}},
            std::move(rows)};
}
// File, Component_, FileName, FileSize, Version, Language, Attributes, Sequence.
inline TablePlan FileTable(std::vector<std::vector<Cell>> rows) {
    return {u"File",
            {{u"File", kKey72, 0},
             {u"Component_", kText | 72, 0},
             {u"FileName", kL255, 0},
             {u"FileSize", kInteger | 4, 0},
             {u"Version", kS72, 0},
             {u"Language", kS72, 0},
             {u"Attributes", kInteger | kColumnNullable | 2, 0},
             {u"Sequence", kInteger | 4, 0}},
            std::move(rows)};
}

struct PackagePlan {
    uint32_t codePage = 0;
    bool longStringReferences = false;   // forced; also chosen when the pool needs it
    std::vector<std::u16string> strings; // put in the pool first, in this order
    std::vector<TablePlan> tables;
    std::vector<CfbStream> streams; // decoded names; stored in packed form
    std::optional<std::vector<uint8_t>> summary;
    unsigned majorVersion = 3;
};

// The streams of a database as Windows Installer stores them (names packed). Strings are
// stored as UTF-8 when the code page is 65001 and as one byte per character otherwise.
std::vector<CfbStream> InstallerStreams(const PackagePlan& plan);
std::vector<uint8_t> WritePackage(const PackagePlan& plan, CfbLayout* layout = nullptr);

// A minimal summary information stream: property id -> value, LPSTR bytes taken as given.
using SummarySpecValue = std::variant<int16_t, int32_t, std::string, uint64_t>;
std::vector<uint8_t> WriteSummary(const std::vector<std::pair<uint32_t, SummarySpecValue>>& props);

// Index of the first stream with that stored name, for patching.
size_t StreamIndex(const std::vector<CfbStream>& streams, std::u16string_view storedName);

} // namespace vx::msi::test
