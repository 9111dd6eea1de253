#include "platform/msi/engine/handle_table.h"

namespace vx::msi {

HandleTable& HandleTable::Instance() {
    // Never destroyed, so handles closed from static destructors still find it.
    static auto* table = new HandleTable;
    return *table;
}

uint32_t HandleTable::Add(HandleObject object) {
    auto entry = std::make_shared<HandleEntry>(std::move(object));
    std::lock_guard guard(m_lock);
    if (m_entries.size() >= UINT32_MAX - 1) {
        return 0;
    }
    // Numbers are reused only after wrapping around, and never while still open.
    while (m_next == 0 || m_entries.count(m_next) != 0) {
        ++m_next;
    }
    const uint32_t handle = m_next++;
    m_entries.emplace(handle, std::move(entry));
    return handle;
}

std::shared_ptr<HandleEntry> HandleTable::Find(uint32_t handle) const {
    std::lock_guard guard(m_lock);
    const auto it = m_entries.find(handle);
    return it == m_entries.end() ? nullptr : it->second;
}

bool HandleTable::Remove(uint32_t handle) {
    std::shared_ptr<HandleEntry> removed;
    {
        std::lock_guard guard(m_lock);
        const auto it = m_entries.find(handle);
        if (it == m_entries.end()) {
            return false;
        }
        removed = std::move(it->second);
        m_entries.erase(it);
    }
    return true; // the object itself goes when the last user lets go of it, outside the lock
}

size_t HandleTable::RemoveAll() {
    std::map<uint32_t, std::shared_ptr<HandleEntry>> removed;
    {
        std::lock_guard guard(m_lock);
        removed.swap(m_entries);
    }
    return removed.size();
}

size_t HandleTable::Count() const {
    std::lock_guard guard(m_lock);
    return m_entries.size();
}

} // namespace vx::msi
