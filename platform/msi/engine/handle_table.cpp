#include "platform/msi/engine/handle_table.h"

namespace vx::msi {

HandleTable& HandleTable::Instance() {
    // Never destroyed, so handles closed from static destructors still find it.
    static auto* table = new HandleTable;
    return *table;
}

namespace {
constexpr size_t kMaximumSpares = 64;
}

uint32_t HandleTable::Add(HandleObject object) {
    std::shared_ptr<HandleEntry> entry;
    {
        std::lock_guard guard(m_lock);
        if (!m_spares.empty()) {
            entry = std::move(m_spares.back());
            m_spares.pop_back();
        }
    }
    if (entry) {
        entry->object = std::move(object);
    } else {
        entry = std::make_shared<HandleEntry>(std::move(object));
    }
    std::lock_guard guard(m_lock);
    uint32_t slot = 0;
    if (!m_free.empty()) {
        slot = m_free.front();
        m_free.pop_front();
    } else {
        if (m_slots.size() >= UINT32_MAX - 1) {
            return 0;
        }
        slot = static_cast<uint32_t>(m_slots.size());
        m_slots.emplace_back();
    }
    m_slots[slot] = std::move(entry);
    ++m_count;
    return slot + 1;
}

std::shared_ptr<HandleEntry> HandleTable::Find(uint32_t handle) const {
    std::lock_guard guard(m_lock);
    if (handle == 0 || handle > m_slots.size()) {
        return nullptr;
    }
    return m_slots[handle - 1];
}

bool HandleTable::Remove(uint32_t handle) {
    std::shared_ptr<HandleEntry> removed;
    {
        std::lock_guard guard(m_lock);
        if (handle == 0 || handle > m_slots.size() || !m_slots[handle - 1]) {
            return false;
        }
        removed = std::move(m_slots[handle - 1]);
        m_free.push_back(handle - 1);
        --m_count;
    }
    // The object itself goes outside the lock. An entry another call still holds goes when that
    // call lets go of it; one held by nobody else is kept for the next handle.
    if (removed.use_count() == 1) {
        removed->object = std::monostate{};
        std::lock_guard guard(m_lock);
        if (m_spares.size() < kMaximumSpares) {
            m_spares.push_back(std::move(removed));
        }
    }
    return true;
}

size_t HandleTable::RemoveAll() {
    std::vector<std::shared_ptr<HandleEntry>> removed;
    size_t count = 0;
    {
        std::lock_guard guard(m_lock);
        removed.swap(m_slots);
        m_free.clear();
        count = m_count;
        m_count = 0;
    }
    return count;
}

size_t HandleTable::Count() const {
    std::lock_guard guard(m_lock);
    return m_count;
}

} // namespace vx::msi
