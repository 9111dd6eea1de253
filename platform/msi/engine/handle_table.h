#pragma once
// The process's installer handles: 32-bit numbers for shared objects, safe to use from several
// threads. Each object carries its own lock, held while an API call works on it.

#include "platform/msi/engine/database.h"
#include "platform/msi/engine/record.h"
#include "platform/msi/engine/view.h"
#include "platform/msi/storage/installer_storage.h"

#include <cstdint>
#include <deque>
#include <vector>
#include <memory>
#include <mutex>
#include <variant>

namespace vx::msi {

struct SummaryObject {
    std::map<uint32_t, SummaryValue> properties;
};

// std::monostate marks an entry kept for reuse.
using HandleObject = std::variant<std::monostate, std::shared_ptr<Database>, std::unique_ptr<View>,
                                  Record, SummaryObject>;

struct HandleEntry {
    std::mutex lock;
    HandleObject object;
    explicit HandleEntry(HandleObject o) : object(std::move(o)) {}
};

class HandleTable {
public:
    static HandleTable& Instance();

    // 0 when the table is full (2^32 - 1 handles open).
    uint32_t Add(HandleObject object);
    std::shared_ptr<HandleEntry> Find(uint32_t handle) const;
    bool Remove(uint32_t handle);
    size_t RemoveAll();
    size_t Count() const;

private:
    // Handle n lives in slot n - 1. Closed slots are reused oldest first, so a number comes back
    // only after every other free number has, which keeps a stale handle from hitting a new
    // object soon after its close.
    mutable std::mutex m_lock;
    std::vector<std::shared_ptr<HandleEntry>> m_slots;
    std::deque<uint32_t> m_free;
    size_t m_count = 0;
    // Entries of closed handles that nobody else held, kept to spare an allocation per handle.
    std::vector<std::shared_ptr<HandleEntry>> m_spares;
};

} // namespace vx::msi
