#include "platform/com/thread_error_slot.h"

namespace vx::detail {
namespace {

// Releases what a thread left behind when the thread ends.
struct Slot {
    IUnknown* object = nullptr;
    ~Slot() {
        if (object) {
            object->Release();
        }
    }
};

thread_local Slot t_slot;

} // namespace

IUnknown*& ThreadErrorSlot() {
    return t_slot.object;
}

} // namespace vx::detail
