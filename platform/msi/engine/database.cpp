#include "platform/msi/engine/database.h"

#include <cstring>

namespace vx::msi {

ColumnIndex::ColumnIndex(const TableData& rows, uint32_t column, bool isString) {
    size_t size = 8;
    while (size < size_t{rows.rowCount} * 2) {
        size *= 2;
    }
    m_buckets.resize(size);
    // Count each value's rows, place the groups one after another, then fill them in table
    // order. A string cell is null exactly when it refers to string 0.
    auto isNull = [&](uint32_t row) {
        return isString ? rows.Raw(row, column) == 0 : rows.IsNull(row, column);
    };
    for (uint32_t row = 0; row < rows.rowCount; ++row) {
        if (isNull(row)) {
            m_nullRows.push_back(row);
        } else {
            ++Claim(rows.Raw(row, column)).count;
        }
    }
    bool unique = true;
    for (const Bucket& bucket : m_buckets) {
        unique = unique && bucket.count <= 1;
    }
    if (unique) {
        // A key column: each bucket holds its one row itself, sparing lookups a second read.
        for (uint32_t row = 0; row < rows.rowCount; ++row) {
            if (!isNull(row)) {
                Claim(rows.Raw(row, column)).start = row;
            }
        }
        m_unique = true;
        return;
    }
    uint32_t next = 0;
    for (Bucket& bucket : m_buckets) {
        bucket.start = next;
        next += bucket.count;
    }
    m_rows.resize(next);
    std::vector<uint32_t> filled(m_buckets.size(), 0);
    for (uint32_t row = 0; row < rows.rowCount; ++row) {
        if (!isNull(row)) {
            Bucket& bucket = Claim(rows.Raw(row, column));
            const size_t at = static_cast<size_t>(&bucket - m_buckets.data());
            m_rows[bucket.start + filled[at]++] = row;
        }
    }
}

size_t ColumnIndex::Home(uint32_t value) const {
    // Fibonacci hashing: string ids and integers are often consecutive.
    return static_cast<size_t>((uint64_t{value} * 0x9E3779B97F4A7C15ULL) >> 32) &
           (m_buckets.size() - 1);
}

ColumnIndex::Bucket& ColumnIndex::Claim(uint32_t value) {
    for (size_t at = Home(value);; at = (at + 1) & (m_buckets.size() - 1)) {
        Bucket& bucket = m_buckets[at];
        if (bucket.count == 0 || bucket.value == value) {
            bucket.value = value;
            return bucket;
        }
    }
}

std::optional<std::span<const uint32_t>> ColumnIndex::Find(bool isNull, uint32_t raw) const {
    if (isNull) {
        return std::span<const uint32_t>(m_nullRows);
    }
    for (size_t at = Home(raw);; at = (at + 1) & (m_buckets.size() - 1)) {
        const Bucket& bucket = m_buckets[at];
        if (bucket.count == 0) {
            return std::nullopt;
        }
        if (bucket.value == raw) {
            return m_unique ? std::span<const uint32_t>(&bucket.start, 1)
                            : std::span<const uint32_t>(m_rows.data() + bucket.start, bucket.count);
        }
    }
}

Database::Database(std::u16string path, std::unique_ptr<InstallerStorage> storage)
    : m_path(std::move(path)), m_storage(std::move(storage)) {}

const ColumnIndex& Database::Index(const TableInfo& table, uint32_t column) const {
    std::lock_guard guard(m_indexLock);
    auto& slot = m_indexes[{&table, column}];
    if (!slot) {
        slot = std::make_unique<ColumnIndex>(m_storage->Rows(table), column,
                                             table.columns[column].IsString());
    }
    return *slot;
}

std::shared_ptr<void> Database::CachedPlan(std::u16string_view query) const {
    std::lock_guard guard(m_planLock);
    for (const PlanMap::value_type* recent : m_recent) {
        // Compared as bytes: much faster than comparing 16-bit characters one by one.
        if (recent && recent->first.size() == query.size() &&
            std::memcmp(recent->first.data(), query.data(), query.size() * sizeof(char16_t)) == 0) {
            return recent->second;
        }
    }
    const auto it = m_plans.find(query);
    if (it == m_plans.end()) {
        return nullptr;
    }
    m_recent[m_nextRecent] = &*it; // map nodes stay put until the map is cleared
    m_nextRecent = (m_nextRecent + 1) % kRecentPlans;
    return it->second;
}

void Database::StorePlan(std::u16string_view query, std::shared_ptr<void> plan) const {
    // Callers that build their query texts from values would grow the cache without end: it is
    // emptied when it holds this many.
    constexpr size_t kMaximumPlans = 512;
    std::lock_guard guard(m_planLock);
    if (m_plans.size() >= kMaximumPlans) {
        m_recent.fill(nullptr);
        m_plans.clear();
    }
    m_plans.emplace(std::u16string(query), std::move(plan));
}

} // namespace vx::msi
