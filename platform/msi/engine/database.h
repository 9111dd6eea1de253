#pragma once
// An open package: its storage, the path it was opened by, and the per-column lookup indexes
// that let a query on a key find its rows without scanning the table. Views and handles share
// it; it goes away with the last of them.

#include "platform/msi/engine/handle_lock.h"
#include "platform/msi/storage/installer_storage.h"

#include <array>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace vx::msi {

// Rows of one column grouped by the cell's stored value (a string id or an integer), null cells
// apart. Flat: one probe into an open-addressing table finds where a value's rows lie in one
// array, in table order.
class ColumnIndex {
public:
    ColumnIndex(const TableData& rows, uint32_t column, bool isString);

    // The rows holding the value (or the null rows); nullopt when no row holds the value.
    std::optional<std::span<const uint32_t>> Find(bool isNull, uint32_t raw) const;

private:
    struct Bucket {
        uint32_t value = 0;
        uint32_t start = 0; // where the rows begin in m_rows; the row itself when m_unique
        uint32_t count = 0; // 0 = empty bucket
    };
    size_t Home(uint32_t value) const;
    Bucket& Claim(uint32_t value);

    std::vector<Bucket> m_buckets;
    std::vector<uint32_t> m_rows;
    std::vector<uint32_t> m_nullRows;
    bool m_unique = false; // no value occurs twice
};

class Database {
public:
    Database(std::u16string path, std::unique_ptr<InstallerStorage> storage);

    const std::u16string& Path() const { return m_path; }
    const InstallerStorage& Storage() const { return *m_storage; }

    // Built on first use and kept; safe to call from several threads.
    const ColumnIndex& Index(const TableInfo& table, uint32_t column) const;

    // Compiled queries by their text, so that a query prepared again and again (every single-row
    // lookup) is parsed once. The engine stores what it likes; null when the text is not known.
    std::shared_ptr<void> CachedPlan(std::u16string_view query) const;
    void StorePlan(std::u16string_view query, std::shared_ptr<void> plan) const;

private:
    std::u16string m_path;
    std::unique_ptr<InstallerStorage> m_storage;
    mutable std::mutex m_indexLock;
    mutable std::map<std::pair<const TableInfo*, uint32_t>, std::unique_ptr<ColumnIndex>> m_indexes;
    mutable HandleLock m_planLock; // taken by every view opened: see handle_lock.h
    struct TextHash {
        using is_transparent = void;
        size_t operator()(std::u16string_view text) const {
            return std::hash<std::u16string_view>{}(text);
        }
    };
    using PlanMap =
        std::unordered_map<std::u16string, std::shared_ptr<void>, TextHash, std::equal_to<>>;
    mutable PlanMap m_plans;
    // The plans found last: a caller's lookups alternate between a few texts, and comparing a
    // text with these is cheaper than hashing it. Cleared with the map.
    static constexpr size_t kRecentPlans = 4;
    mutable std::array<const PlanMap::value_type*, kRecentPlans> m_recent{};
    mutable size_t m_nextRecent = 0;
};

// Opens a package read-only. Failures raise MsiFailure with ERROR_OPEN_FAILED and the
// installer's error 2203 (database, system error), plus what was wrong when the file is damaged.
std::shared_ptr<Database> OpenDatabase(std::u16string_view path);

} // namespace vx::msi
