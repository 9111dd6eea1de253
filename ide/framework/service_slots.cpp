#include "ide/framework/service_slots.h"

namespace vx::detail {

IMessageService*& MessageServiceSlot() {
    static IMessageService* slot = nullptr;
    return slot;
}

IFileDialogService*& FileDialogServiceSlot() {
    static IFileDialogService* slot = nullptr;
    return slot;
}

IContextMenuService*& ContextMenuServiceSlot() {
    static IContextMenuService* slot = nullptr;
    return slot;
}

} // namespace vx::detail
