#pragma once
// Where the process's replaceable services (message boxes, file dialogs, context menus) are
// installed. The slots live in one small shared library, so that a page module loaded at run
// time, which carries its own copy of the framework, shows its messages, dialogs and menus
// through the services the program (or a test) installed.

namespace vx {

class IMessageService;
class IFileDialogService;
class IContextMenuService;

namespace detail {
// The installed service, null when none is.
__attribute__((visibility("default"))) IMessageService*& MessageServiceSlot();
__attribute__((visibility("default"))) IFileDialogService*& FileDialogServiceSlot();
__attribute__((visibility("default"))) IContextMenuService*& ContextMenuServiceSlot();
} // namespace detail

} // namespace vx
