#pragma once
// The lock of a handle and of the handle table. Every API call takes two or three of these and
// they are almost never contended, so the uncontended path is what counts: one atomic exchange
// to lock and a plain store to unlock. A waiter spins briefly, then yields its time slice, so a
// long hold (a full-table query) costs the waiting thread little.

#include <atomic>
#include <thread>

namespace vx::msi {

class HandleLock {
public:
    void lock() {
        while (m_held.exchange(true, std::memory_order_acquire)) {
            WaitUntilFree();
        }
    }
    bool try_lock() { return !m_held.exchange(true, std::memory_order_acquire); }
    void unlock() { m_held.store(false, std::memory_order_release); }

private:
    void WaitUntilFree() const {
        constexpr int kSpins = 64;
        for (int spin = 0; m_held.load(std::memory_order_relaxed); ++spin) {
            if (spin >= kSpins) {
                std::this_thread::yield();
            }
        }
    }

    std::atomic<bool> m_held{false};
};

} // namespace vx::msi
