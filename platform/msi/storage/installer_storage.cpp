#include "platform/msi/storage/installer_storage.h"

#include "platform/msi/storage/compound_file.h"
#include "platform/msi/storage/mapped_file.h"
#include "platform/msi/storage/stream_names.h"
#include "platform/msi/storage/string_pool.h"
#include "platform/msi/storage/summary_info.h"
#include "platform/msi/storage/table_stream.h"
#include "platform/sys/format_string.h"

#include <algorithm>
#include <functional>
#include <mutex>
#include <unordered_map>

namespace vx::msi {
namespace {

constexpr std::u16string_view kTablesTable = u"_Tables";
constexpr std::u16string_view kColumnsTable = u"_Columns";
constexpr std::u16string_view kStreamsTable = u"_Streams";
constexpr std::u16string_view kSummaryStream = u"\005SummaryInformation";

constexpr uint16_t kTypeString = kColumnValid | kColumnShort | kColumnString;
constexpr uint16_t kTypeInteger2 = kColumnValid | 2;

ColumnInfo Column(std::u16string name, uint16_t type, uint16_t number) {
    return ColumnInfo{std::move(name), type, number};
}

// The system tables, with the column definitions Windows Installer gives them.
TableInfo TablesTableInfo() {
    return {
        std::u16string(kTablesTable), {Column(u"Name", kTypeString | kColumnKey | 64, 1)}, true};
}

TableInfo ColumnsTableInfo() {
    return {std::u16string(kColumnsTable),
            {Column(u"Table", kTypeString | kColumnKey | 64, 1),
             Column(u"Number", kTypeInteger2 | kColumnKey, 2), Column(u"Name", kTypeString | 64, 3),
             Column(u"Type", kTypeInteger2, 4)},
            true};
}

TableInfo StreamsTableInfo() {
    return {std::u16string(kStreamsTable),
            {Column(u"Name", kTypeString | kColumnKey | 62, 1),
             Column(u"Data", kColumnValid | kColumnString | kColumnNullable, 2)},
            true};
}

struct StreamEntry {
    std::u16string name; // decoded
    const CompoundEntry* entry = nullptr;
    uint32_t nameId = 0;
};

class Storage final : public InstallerStorage {
public:
    Storage(std::unique_ptr<MappedFile> file, std::span<const uint8_t> bytes)
        : m_file(std::move(file)), m_cfb(bytes) {
        CheckClass();
        LoadStringPool();
        LoadStreams();
        LoadCatalogue();
    }

    uint32_t CodePage() const override { return m_pool.codePage; }
    bool LongStringReferences() const override { return m_pool.longReferences; }

    uint32_t StringCount() const override { return m_pool.Count(); }

    std::u16string_view String(uint32_t id) const override { return m_pool.Get(id); }

    uint32_t FindString(std::u16string_view text) const override { return m_pool.Find(text); }

    const std::vector<TableInfo>& Tables() const override { return m_tables; }

    const TableInfo* FindTable(std::u16string_view name) const override {
        if (name == kTablesTable) {
            return &m_tablesInfo;
        }
        if (name == kColumnsTable) {
            return &m_columnsInfo;
        }
        if (name == kStreamsTable) {
            return &m_streamsInfo;
        }
        const auto it = m_tableByName.find(std::u16string(name));
        return it == m_tableByName.end() ? nullptr : &m_tables[it->second];
    }

    const TableData& Rows(const TableInfo& table) const override {
        const TableInfo* own = Own(table);
        std::lock_guard guard(m_cacheLock);
        auto& slot = m_rows[own];
        if (!slot) {
            slot = std::make_unique<TableData>(Decode(*own));
        }
        return *slot;
    }

    std::u16string CellStreamName(const TableInfo& table, const TableData& rows,
                                  uint32_t row) const override {
        if (row >= rows.rowCount) {
            return {};
        }
        if (table.name == kStreamsTable) {
            return std::u16string(String(rows.Raw(row, 0)));
        }
        std::u16string name = table.name;
        for (uint32_t c = 0; c < table.columns.size() && c < rows.width; ++c) {
            const ColumnInfo& column = table.columns[c];
            if (!column.IsKey()) {
                continue;
            }
            name.push_back(u'.');
            if (rows.IsNull(row, c)) {
                continue;
            }
            if (column.IsString()) {
                name += String(rows.Raw(row, c));
            } else {
                name += FormatString(u"%d", rows.Integer(row, c));
            }
        }
        return name;
    }

    std::vector<std::u16string> StreamNames() const override {
        std::vector<std::u16string> names;
        names.reserve(m_streams.size());
        for (const StreamEntry& s : m_streams) {
            names.push_back(s.name);
        }
        return names;
    }

    std::optional<std::vector<uint8_t>> ReadStream(std::u16string_view name) const override {
        const CompoundEntry* entry = m_cfb.FindRootChild(EncodeStreamName(name, false));
        if (entry == nullptr || entry->type != CompoundEntryType::Stream ||
            DecodeStreamName(entry->name).isTable) {
            const auto it = m_streamByName.find(std::u16string(name));
            if (it == m_streamByName.end()) {
                return std::nullopt;
            }
            entry = m_streams[it->second].entry;
        }
        return m_cfb.ReadStream(*entry, name);
    }

    const std::map<uint32_t, SummaryValue>& Summary() const override {
        std::lock_guard guard(m_cacheLock);
        if (!m_summary) {
            std::map<uint32_t, SummaryValue> values;
            const CompoundEntry* entry = m_cfb.FindRootChild(kSummaryStream);
            if (entry != nullptr && entry->type == CompoundEntryType::Stream) {
                values = ParseSummaryInformation(m_cfb.ReadStream(*entry, u"SummaryInformation"));
            }
            m_summary = std::move(values);
        }
        return *m_summary;
    }

private:
    std::vector<uint8_t> ReadTableStream(std::u16string_view table) const {
        const CompoundEntry* entry = m_cfb.FindRootChild(EncodeStreamName(table, true));
        if (entry == nullptr || entry->type != CompoundEntryType::Stream) {
            return {};
        }
        return m_cfb.ReadStream(*entry, table);
    }

    // Windows Installer opens only storages of its own classes: database, patch, transform
    // ({000C1084-...}, {000C1086-...}, {000C1082-...}, all ending C000-000000000046).
    void CheckClass() const {
        const auto& id = m_cfb.RootClassId();
        static constexpr uint8_t kTail[14] = {0x0C, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0,
                                              0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
        const bool installer = id[1] == 0x10 &&
                               std::equal(std::begin(kTail), std::end(kTail), id.begin() + 2) &&
                               (id[0] == 0x84 || id[0] == 0x86 || id[0] == 0x82);
        if (!installer) {
            ThrowDamaged(u"the file is not an installer database (its root storage has another "
                         u"class)");
        }
    }

    void LoadStringPool() {
        const CompoundEntry* pool = m_cfb.FindRootChild(EncodeStreamName(u"_StringPool", true));
        const CompoundEntry* data = m_cfb.FindRootChild(EncodeStreamName(u"_StringData", true));
        if (pool == nullptr || data == nullptr) {
            ThrowDamaged(u"the file is not an installer database (it has no string pool)");
        }
        m_pool = ParseStringPool(m_cfb.ReadStream(*pool, u"_StringPool"),
                                 m_cfb.ReadStream(*data, u"_StringData"));
    }

    // _Streams lists every stream of the root that is not a table (nor the string pool, whose
    // streams are marked as tables). Names the pool lacks get ids after the pool's.
    void LoadStreams() {
        for (const CompoundEntry& child : m_cfb.RootChildren()) {
            if (child.type != CompoundEntryType::Stream) {
                continue;
            }
            DecodedStreamName decoded = DecodeStreamName(child.name);
            if (decoded.isTable) {
                continue;
            }
            m_streams.push_back({std::move(decoded.name), &child, 0});
        }
        for (size_t i = 0; i < m_streams.size(); ++i) {
            StreamEntry& s = m_streams[i];
            m_streamByName.emplace(s.name, i);
            if (s.name.empty()) {
                continue;
            }
            s.nameId = FindString(s.name);
            if (s.nameId == 0) {
                s.nameId = m_pool.AppendExtra(s.name);
            }
        }
    }

    void LoadCatalogue() {
        auto tablesRows = std::make_unique<TableData>(Decode(m_tablesInfo));
        auto columnsRows = std::make_unique<TableData>(Decode(m_columnsInfo));
        const TableData& tables = *tablesRows;
        const TableData& columns = *columnsRows;
        m_rows[&m_tablesInfo] = std::move(tablesRows);
        m_rows[&m_columnsInfo] = std::move(columnsRows);

        m_tables.reserve(tables.rowCount);
        for (uint32_t row = 0; row < tables.rowCount; ++row) {
            const uint32_t id = tables.Raw(row, 0);
            const std::u16string name(String(id));
            if (name.empty()) {
                ThrowDamaged(
                    FormatString(u"row %u of _Tables names no table (string %u)", row + 1, id));
            }
            if (m_tableByName.emplace(name, m_tables.size()).second) {
                m_tables.push_back(TableInfo{name, {}, true});
            }
        }
        for (uint32_t row = 0; row < columns.rowCount; ++row) {
            const auto it = m_tableByName.find(std::u16string(String(columns.Raw(row, 0))));
            if (it == m_tableByName.end()) {
                continue; // columns of a table _Tables does not list are not reachable
            }
            TableInfo& table = m_tables[it->second];
            if (columns.IsNull(row, 1) || columns.IsNull(row, 3)) {
                ThrowDamaged(FormatString(u"row %u of _Columns (table '%s') has no number or no "
                                          u"type",
                                          row + 1, table.name));
            }
            const int32_t number = columns.Integer(row, 1);
            if (number < 1 || number > 0x7FFF) {
                ThrowDamaged(
                    FormatString(u"table '%s' has a column numbered %d", table.name, number));
            }
            table.columns.push_back(Column(std::u16string(String(columns.Raw(row, 2))),
                                           static_cast<uint16_t>(columns.Integer(row, 3)),
                                           static_cast<uint16_t>(number)));
        }
        for (TableInfo& table : m_tables) {
            std::stable_sort(
                table.columns.begin(), table.columns.end(),
                [](const ColumnInfo& a, const ColumnInfo& b) { return a.number < b.number; });
            for (size_t i = 0; i < table.columns.size(); ++i) {
                if (table.columns[i].number != i + 1) {
                    ThrowDamaged(FormatString(u"the columns of table '%s' are numbered %u where "
                                              u"%u is expected",
                                              table.name, table.columns[i].number, i + 1));
                }
            }
            table.persistent = std::any_of(table.columns.begin(), table.columns.end(),
                                           [](const ColumnInfo& c) { return !c.IsTemporary(); });
        }
    }

    const TableInfo* Own(const TableInfo& table) const {
        if (&table == &m_tablesInfo || &table == &m_columnsInfo || &table == &m_streamsInfo) {
            return &table;
        }
        const std::less<const TableInfo*> before;
        if (!m_tables.empty() && !before(&table, m_tables.data()) &&
            before(&table, m_tables.data() + m_tables.size())) {
            return &table;
        }
        const TableInfo* own = FindTable(table.name);
        if (own == nullptr) {
            ThrowMsiFailure(ERROR_INVALID_TABLE, 0, {},
                            FormatString(u"the database has no table '%s'", table.name));
        }
        return own;
    }

    TableData Decode(const TableInfo& table) const {
        if (&table == &m_streamsInfo) {
            TableData out;
            out.width = 2;
            out.rowCount = static_cast<uint32_t>(m_streams.size());
            out.cells.reserve(m_streams.size() * 2);
            out.nulls.reserve(m_streams.size() * 2);
            for (const StreamEntry& s : m_streams) {
                out.cells.push_back(s.nameId);
                out.nulls.push_back(s.nameId == 0 ? 1 : 0);
                out.cells.push_back(1); // every listed stream has data
                out.nulls.push_back(0);
            }
            return out;
        }
        if (!table.persistent) {
            TableData out;
            out.width = static_cast<uint32_t>(table.columns.size());
            return out;
        }
        return DecodeTableStream(table, ReadTableStream(table.name), m_pool.longReferences);
    }

    std::unique_ptr<MappedFile> m_file; // owns the bytes m_cfb reads, when opened from a path
    CompoundFile m_cfb;
    StringPool m_pool;
    std::vector<StreamEntry> m_streams;
    std::unordered_map<std::u16string, size_t> m_streamByName;
    std::vector<TableInfo> m_tables;
    std::unordered_map<std::u16string, size_t> m_tableByName;
    const TableInfo m_tablesInfo = TablesTableInfo();
    const TableInfo m_columnsInfo = ColumnsTableInfo();
    const TableInfo m_streamsInfo = StreamsTableInfo();

    mutable std::mutex m_cacheLock;
    mutable std::unordered_map<const TableInfo*, std::unique_ptr<TableData>> m_rows;
    mutable std::optional<std::map<uint32_t, SummaryValue>> m_summary;
};

} // namespace

std::unique_ptr<InstallerStorage> OpenInstallerStorage(std::u16string_view path) {
    auto file = std::make_unique<MappedFile>(path);
    const std::span<const uint8_t> bytes = file->Bytes();
    return std::make_unique<Storage>(std::move(file), bytes);
}

std::unique_ptr<InstallerStorage> OpenInstallerStorage(std::span<const uint8_t> bytes) {
    return std::make_unique<Storage>(nullptr, bytes);
}

} // namespace vx::msi
