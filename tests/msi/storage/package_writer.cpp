#include "tests/msi/storage/package_writer.h"

#include "platform/msi/storage/stream_names.h"
#include "platform/sys/wide_string.h"

#include <algorithm>
#include <map>
#include <numeric>
#include <stdexcept>

namespace vx::msi::test {
namespace {

constexpr uint32_t kEnd = 0xFFFFFFFE;
constexpr uint32_t kFree = 0xFFFFFFFF;
constexpr uint32_t kFatMark = 0xFFFFFFFD;
constexpr uint32_t kDifatMark = 0xFFFFFFFC;

uint32_t CeilDiv(size_t v, size_t unit) {
    return static_cast<uint32_t>((v + unit - 1) / unit);
}

// The order the format keeps siblings in: shorter names first, then by upper-cased unit.
bool NameLess(const std::u16string& a, const std::u16string& b) {
    const auto upper = [](char16_t c) { return c >= u'a' && c <= u'z' ? c - 32 : int{c}; };
    return a.size() != b.size() ? a.size() < b.size()
                                : std::lexicographical_compare(
                                      a.begin(), a.end(), b.begin(), b.end(),
                                      [&](char16_t x, char16_t y) { return upper(x) < upper(y); });
}

} // namespace

size_t CfbLayout::FatEntryOffset(uint32_t index) const {
    const uint32_t per = sectorSize / 4;
    return SectorOffset(fatSectors.at(index / per)) + size_t{index % per} * 4;
}

std::vector<uint8_t> WriteCompoundFile(const std::vector<CfbStream>& streams, unsigned majorVersion,
                                       CfbLayout* layout, bool installerClass) {
    const uint32_t ss = majorVersion == 4 ? 4096 : 512;
    const uint32_t per = ss / 4;
    const size_t n = streams.size();

    std::vector<size_t> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return NameLess(streams[a].name, streams[b].name);
    });
    std::vector<uint32_t> entryOf(n);
    for (size_t k = 0; k < n; ++k) {
        entryOf[order[k]] = static_cast<uint32_t>(k + 1);
    }

    // Mini stream and mini FAT.
    std::vector<uint8_t> mini;
    std::vector<uint32_t> miniFat;
    std::vector<uint32_t> start(n, kEnd);
    for (size_t i = 0; i < n; ++i) {
        const auto& data = streams[i].data;
        if (data.empty() || data.size() >= 4096) {
            continue;
        }
        const uint32_t first = static_cast<uint32_t>(mini.size() / 64);
        const uint32_t count = CeilDiv(data.size(), 64);
        start[i] = first;
        for (uint32_t k = 0; k < count; ++k) {
            miniFat.push_back(k + 1 < count ? first + k + 1 : kEnd);
        }
        mini.insert(mini.end(), data.begin(), data.end());
        mini.resize(size_t{first + count} * 64, 0);
    }

    // Sectors: regular streams, mini stream, mini FAT, directory, FAT, DIFAT.
    std::vector<std::pair<uint32_t, uint32_t>> runs; // (first, count) chained runs
    uint32_t next = 0;
    for (size_t i = 0; i < n; ++i) {
        if (streams[i].data.size() >= 4096) {
            start[i] = next;
            runs.emplace_back(next, CeilDiv(streams[i].data.size(), ss));
            next += runs.back().second;
        }
    }
    const uint32_t miniStart = mini.empty() ? kEnd : next;
    if (!mini.empty()) {
        runs.emplace_back(next, CeilDiv(mini.size(), ss));
        next += runs.back().second;
    }
    const uint32_t miniFatStart = miniFat.empty() ? kEnd : next;
    const uint32_t miniFatCount = CeilDiv(miniFat.size() * 4, ss);
    if (!miniFat.empty()) {
        runs.emplace_back(next, miniFatCount);
        next += miniFatCount;
    }
    const uint32_t dirStart = next;
    const uint32_t dirCount = CeilDiv((n + 1) * 128, ss);
    runs.emplace_back(next, dirCount);
    next += dirCount;

    uint32_t fatCount = 0;
    uint32_t difatCount = 0;
    for (;;) {
        const uint32_t total = next + fatCount + difatCount;
        const uint32_t newFat = CeilDiv(total, per);
        const uint32_t newDifat = newFat > 109 ? CeilDiv(newFat - 109, per - 1) : 0;
        if (newFat == fatCount && newDifat == difatCount) {
            break;
        }
        fatCount = newFat;
        difatCount = newDifat;
    }
    const uint32_t fatStart = next;
    const uint32_t difatStart = next + fatCount;
    const uint32_t totalSectors = difatStart + difatCount;

    std::vector<uint32_t> fat(size_t{fatCount} * per, kFree);
    for (const auto& [first, count] : runs) {
        for (uint32_t k = 0; k < count; ++k) {
            fat[first + k] = k + 1 < count ? first + k + 1 : kEnd;
        }
    }
    for (uint32_t k = 0; k < fatCount; ++k) {
        fat[fatStart + k] = kFatMark;
    }
    for (uint32_t k = 0; k < difatCount; ++k) {
        fat[difatStart + k] = kDifatMark;
    }

    std::vector<uint8_t> out(size_t{ss} + size_t{totalSectors} * ss, 0);
    const auto sectorAt = [&](uint32_t s) { return size_t{s + 1} * ss; };

    // Header.
    const uint8_t signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::copy(std::begin(signature), std::end(signature), out.begin());
    Put(out, 24, 0x3E, 2);
    Put(out, 26, majorVersion, 2);
    Put(out, 28, 0xFFFE, 2);
    Put(out, 30, majorVersion == 4 ? 12 : 9, 2);
    Put(out, 32, 6, 2);
    Put(out, 40, majorVersion == 4 ? dirCount : 0);
    Put(out, 44, fatCount);
    Put(out, 48, dirStart);
    Put(out, 56, 4096);
    Put(out, 60, miniFatStart);
    Put(out, 64, miniFat.empty() ? 0 : miniFatCount);
    Put(out, 68, difatCount > 0 ? difatStart : kEnd);
    Put(out, 72, difatCount);
    for (uint32_t k = 0; k < 109; ++k) {
        Put(out, 76 + size_t{k} * 4, k < fatCount ? fatStart + k : kFree);
    }
    // DIFAT sectors.
    uint32_t listed = std::min<uint32_t>(fatCount, 109);
    for (uint32_t d = 0; d < difatCount; ++d) {
        const size_t at = sectorAt(difatStart + d);
        for (uint32_t k = 0; k < per - 1; ++k) {
            Put(out, at + size_t{k} * 4, listed < fatCount ? fatStart + listed : kFree);
            if (listed < fatCount) {
                ++listed;
            }
        }
        Put(out, at + ss - 4, d + 1 < difatCount ? difatStart + d + 1 : kEnd);
    }
    // FAT.
    for (size_t k = 0; k < fat.size(); ++k) {
        Put(out, sectorAt(fatStart + static_cast<uint32_t>(k / per)) + (k % per) * 4, fat[k]);
    }
    // Data.
    for (size_t i = 0; i < n; ++i) {
        if (streams[i].data.size() >= 4096) {
            std::copy(streams[i].data.begin(), streams[i].data.end(),
                      out.begin() + static_cast<std::ptrdiff_t>(sectorAt(start[i])));
        }
    }
    if (!mini.empty()) {
        std::copy(mini.begin(), mini.end(),
                  out.begin() + static_cast<std::ptrdiff_t>(sectorAt(miniStart)));
    }
    for (size_t k = 0; k < miniFat.size(); ++k) {
        Put(out, sectorAt(miniFatStart) + k * 4, miniFat[k]);
    }
    // Directory: the root's children as a chain of right siblings, in sorted order.
    const auto writeEntry = [&](uint32_t entry, const std::u16string& name, uint8_t type,
                                uint32_t right, uint32_t child, uint32_t first, uint64_t size) {
        const size_t at = sectorAt(dirStart) + size_t{entry} * 128;
        const size_t units = std::min<size_t>(name.size(), 31);
        for (size_t k = 0; k < units; ++k) {
            Put(out, at + k * 2, name[k], 2);
        }
        Put(out, at + 64, static_cast<uint32_t>((units + 1) * 2), 2);
        out[at + 66] = type;
        out[at + 67] = 1; // black
        Put(out, at + 68, kFree);
        Put(out, at + 72, right);
        Put(out, at + 76, child);
        Put(out, at + 116, first);
        Put(out, at + 120, static_cast<uint32_t>(size));
        Put(out, at + 124, static_cast<uint32_t>(size >> 32));
    };
    writeEntry(0, u"Root Entry", 5, kFree, n > 0 ? 1 : kFree, miniStart, mini.size());
    if (installerClass) {
        // {000C1084-0000-0000-C000-000000000046}, the class of installer databases.
        const uint8_t msiDatabase[16] = {0x84, 0x10, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x00,
                                         0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
        std::copy(std::begin(msiDatabase), std::end(msiDatabase),
                  out.begin() + static_cast<std::ptrdiff_t>(sectorAt(dirStart) + 80));
    }
    for (size_t k = 0; k < n; ++k) {
        const size_t i = order[k];
        writeEntry(static_cast<uint32_t>(k + 1), streams[i].name, 2,
                   k + 1 < n ? static_cast<uint32_t>(k + 2) : kFree, kFree, start[i],
                   streams[i].data.size());
    }
    for (uint32_t e = static_cast<uint32_t>(n + 1); e < dirCount * (ss / 128); ++e) {
        const size_t at = sectorAt(dirStart) + size_t{e} * 128;
        Put(out, at + 68, kFree);
        Put(out, at + 72, kFree);
        Put(out, at + 76, kFree);
    }

    if (layout != nullptr) {
        layout->sectorSize = ss;
        layout->fatSectors.clear();
        for (uint32_t k = 0; k < fatCount; ++k) {
            layout->fatSectors.push_back(fatStart + k);
        }
        layout->firstDirectorySector = dirStart;
        layout->entryOfStream = entryOf;
        layout->firstSectorOfStream = start;
    }
    return out;
}

namespace {

std::vector<uint8_t> EncodeText(const std::u16string& text, uint32_t codePage) {
    if (codePage == 65001) {
        const std::string utf8 = Utf16ToUtf8(text);
        return {utf8.begin(), utf8.end()};
    }
    std::vector<uint8_t> out;
    for (char16_t c : text) {
        if (c > 0xFF) {
            throw std::invalid_argument("test text outside one byte per character");
        }
        out.push_back(static_cast<uint8_t>(c));
    }
    return out;
}

class PoolBuilder {
public:
    uint32_t Id(const std::u16string& text) {
        if (text.empty()) {
            return 0;
        }
        auto [it, added] = m_ids.emplace(text, static_cast<uint32_t>(m_strings.size() + 1));
        if (added) {
            m_strings.push_back(text);
            m_refs.push_back(0);
        }
        ++m_refs[it->second - 1];
        return it->second;
    }
    size_t Count() const { return m_strings.size(); }

    void Write(uint32_t codePage, bool longRefs, std::vector<uint8_t>& pool,
               std::vector<uint8_t>& data) const {
        Append(pool, codePage | (longRefs ? 0x80000000u : 0));
        for (size_t i = 0; i < m_strings.size(); ++i) {
            const auto bytes = EncodeText(m_strings[i], codePage);
            const uint32_t refs = std::min<uint32_t>(m_refs[i], 0xFFFF);
            if (bytes.size() >= 0x10000) {
                Append(pool, 0, 2);
                Append(pool, static_cast<uint32_t>(bytes.size() >> 16), 2);
            }
            Append(pool, static_cast<uint32_t>(bytes.size() & 0xFFFF), 2);
            Append(pool, refs, 2);
            data.insert(data.end(), bytes.begin(), bytes.end());
        }
    }

private:
    std::map<std::u16string, uint32_t> m_ids;
    std::vector<std::u16string> m_strings;
    std::vector<uint32_t> m_refs;
};

unsigned CellBytes(const ColumnInfo& c, bool longRefs) {
    if (c.IsTemporary()) {
        return 0;
    }
    if (c.IsBinary()) {
        return 2;
    }
    if (c.IsString()) {
        return longRefs ? 3 : 2;
    }
    return c.Width() <= 2 ? 2 : 4;
}

std::vector<uint8_t> EncodeTable(const std::vector<ColumnInfo>& columns,
                                 const std::vector<std::vector<uint32_t>>& raw, bool longRefs) {
    std::vector<uint8_t> out;
    for (size_t c = 0; c < columns.size(); ++c) {
        const unsigned bytes = CellBytes(columns[c], longRefs);
        for (const auto& row : raw) {
            for (unsigned k = 0; k < bytes; ++k) {
                out.push_back(static_cast<uint8_t>(row[c] >> (8 * k)));
            }
        }
    }
    return out;
}

ColumnInfo Col(std::u16string name, uint16_t type) {
    return ColumnInfo{std::move(name), type, 0};
}

} // namespace

std::vector<CfbStream> InstallerStreams(const PackagePlan& plan) {
    PoolBuilder pool;
    // Strings first, so that the reference width is known before any table is encoded.
    std::vector<std::vector<std::vector<uint32_t>>> tableRaw;
    std::vector<std::vector<uint32_t>> tablesRows;
    std::vector<std::vector<uint32_t>> columnsRows;
    for (const std::u16string& text : plan.strings) {
        pool.Id(text);
    }
    for (const TablePlan& t : plan.tables) {
        tablesRows.push_back({pool.Id(t.name)});
    }
    for (const TablePlan& t : plan.tables) {
        for (size_t c = 0; c < t.columns.size(); ++c) {
            columnsRows.push_back({pool.Id(t.name), static_cast<uint32_t>(0x8000 + c + 1),
                                   pool.Id(t.columns[c].name),
                                   static_cast<uint32_t>(0x8000 + t.columns[c].type)});
        }
        std::vector<std::vector<uint32_t>> raw;
        for (const auto& row : t.rows) {
            std::vector<uint32_t> cells;
            for (size_t c = 0; c < t.columns.size(); ++c) {
                const ColumnInfo& col = t.columns[c];
                const Cell& cell = c < row.size() ? row[c] : Cell{};
                uint32_t v = 0;
                if (col.IsBinary()) {
                    v = std::holds_alternative<std::monostate>(cell) ? 0 : 1;
                } else if (const auto* s = std::get_if<std::u16string>(&cell)) {
                    v = pool.Id(*s);
                } else if (const auto* i = std::get_if<int32_t>(&cell)) {
                    v = col.Width() <= 2 ? static_cast<uint32_t>(*i + 0x8000)
                                         : static_cast<uint32_t>(*i) + 0x80000000u;
                }
                cells.push_back(v);
            }
            raw.push_back(std::move(cells));
        }
        tableRaw.push_back(std::move(raw));
    }
    const bool longRefs = plan.longStringReferences || pool.Count() >= 0xFFFF;

    std::vector<CfbStream> out;
    std::vector<uint8_t> poolBytes, dataBytes;
    pool.Write(plan.codePage, longRefs, poolBytes, dataBytes);
    out.push_back({EncodeStreamName(u"_StringPool", true), std::move(poolBytes)});
    out.push_back({EncodeStreamName(u"_StringData", true), std::move(dataBytes)});
    out.push_back({EncodeStreamName(u"_Tables", true),
                   EncodeTable({Col(u"Name", 0x2D40)}, tablesRows, longRefs)});
    out.push_back({EncodeStreamName(u"_Columns", true),
                   EncodeTable({Col(u"Table", 0x2D40), Col(u"Number", 0x2102), Col(u"Name", 0x0D40),
                                Col(u"Type", 0x0102)},
                               columnsRows, longRefs)});
    for (size_t t = 0; t < plan.tables.size(); ++t) {
        if (!plan.tables[t].rows.empty()) {
            out.push_back({EncodeStreamName(plan.tables[t].name, true),
                           EncodeTable(plan.tables[t].columns, tableRaw[t], longRefs)});
        }
    }
    for (const CfbStream& s : plan.streams) {
        out.push_back({EncodeStreamName(s.name, false), s.data});
    }
    if (plan.summary) {
        out.push_back({u"\005SummaryInformation", *plan.summary});
    }
    return out;
}

std::vector<uint8_t> WritePackage(const PackagePlan& plan, CfbLayout* layout) {
    return WriteCompoundFile(InstallerStreams(plan), plan.majorVersion, layout);
}

std::vector<uint8_t> WriteSummary(const std::vector<std::pair<uint32_t, SummarySpecValue>>& props) {
    std::vector<uint8_t> values;
    std::vector<std::pair<uint32_t, uint32_t>> index;
    const uint32_t indexBytes = static_cast<uint32_t>(8 + props.size() * 8);
    for (const auto& [id, value] : props) {
        index.emplace_back(id, static_cast<uint32_t>(indexBytes + values.size()));
        if (const auto* i2 = std::get_if<int16_t>(&value)) {
            Append(values, 2);
            Append(values, static_cast<uint16_t>(*i2), 2);
            Append(values, 0, 2);
        } else if (const auto* i4 = std::get_if<int32_t>(&value)) {
            Append(values, 3);
            Append(values, static_cast<uint32_t>(*i4));
        } else if (const auto* s = std::get_if<std::string>(&value)) {
            Append(values, 30);
            Append(values, static_cast<uint32_t>(s->size() + 1));
            values.insert(values.end(), s->begin(), s->end());
            values.push_back(0);
            while (values.size() % 4 != 0) {
                values.push_back(0);
            }
        } else {
            const uint64_t ft = std::get<uint64_t>(value);
            Append(values, 64);
            Append(values, static_cast<uint32_t>(ft));
            Append(values, static_cast<uint32_t>(ft >> 32));
        }
    }
    std::vector<uint8_t> out;
    Append(out, 0xFFFE, 2);
    Append(out, 0, 2);
    Append(out, 0x00020006);
    out.resize(24, 0); // class id
    Append(out, 1);
    const uint8_t fmtid[16] = {0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10,
                               0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9};
    out.insert(out.end(), std::begin(fmtid), std::end(fmtid));
    Append(out, 48);
    Append(out, static_cast<uint32_t>(indexBytes + values.size()));
    Append(out, static_cast<uint32_t>(props.size()));
    for (const auto& [id, offset] : index) {
        Append(out, id);
        Append(out, offset);
    }
    out.insert(out.end(), values.begin(), values.end());
    return out;
}

size_t StreamIndex(const std::vector<CfbStream>& streams, std::u16string_view storedName) {
    for (size_t i = 0; i < streams.size(); ++i) {
        if (streams[i].name == storedName) {
            return i;
        }
    }
    throw std::out_of_range("no such stream");
}

} // namespace vx::msi::test
