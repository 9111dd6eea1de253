#pragma once
// The thread's error-information slot, kept in one small shared library so that every module of
// the process (the program and each service module it loads, each with its own static copy of
// the COM layer) reads and writes the same slot, as they would share one system COM runtime.

#include "platform/com/unknown.h"

namespace vx {

struct IErrorInfo;

namespace detail {
// The calling thread's error object; owned by the slot (one reference), null when none.
__attribute__((visibility("default"))) IUnknown*& ThreadErrorSlot();
} // namespace detail

} // namespace vx
