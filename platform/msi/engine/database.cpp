#include "platform/msi/engine/database.h"

namespace vx::msi {

const std::vector<uint32_t>* ColumnIndex::Find(bool isNull, uint32_t raw) const {
    if (isNull) {
        return &nullRows;
    }
    const auto it = rowsByValue.find(raw);
    return it == rowsByValue.end() ? nullptr : &it->second;
}

Database::Database(std::u16string path, std::unique_ptr<InstallerStorage> storage)
    : m_path(std::move(path)), m_storage(std::move(storage)) {}

const ColumnIndex& Database::Index(const TableInfo& table, uint32_t column) const {
    std::lock_guard guard(m_indexLock);
    auto& slot = m_indexes[{&table, column}];
    if (!slot) {
        auto index = std::make_unique<ColumnIndex>();
        const TableData& rows = m_storage->Rows(table);
        index->rowsByValue.reserve(rows.rowCount);
        // A string cell is null exactly when it refers to string 0.
        const bool isString = table.columns[column].IsString();
        for (uint32_t row = 0; row < rows.rowCount; ++row) {
            if (isString ? rows.Raw(row, column) == 0 : rows.IsNull(row, column)) {
                index->nullRows.push_back(row);
            } else {
                index->rowsByValue[rows.Raw(row, column)].push_back(row);
            }
        }
        slot = std::move(index);
    }
    return *slot;
}

std::shared_ptr<void> Database::CachedPlan(std::u16string_view query) const {
    std::lock_guard guard(m_planLock);
    const auto it = m_plans.find(query);
    return it == m_plans.end() ? nullptr : it->second;
}

void Database::StorePlan(std::u16string_view query, std::shared_ptr<void> plan) const {
    // Callers that build their query texts from values would grow the cache without end: it is
    // emptied when it holds this many.
    constexpr size_t kMaximumPlans = 512;
    std::lock_guard guard(m_planLock);
    if (m_plans.size() >= kMaximumPlans) {
        m_plans.clear();
    }
    m_plans.emplace(std::u16string(query), std::move(plan));
}

} // namespace vx::msi
