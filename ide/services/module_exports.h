#pragma once
// The entry point every service module exports, with C linkage and default visibility (the
// modules hide everything else).

#include "platform/com/class_factory.h"

#define VX_MODULE_EXPORT extern "C" __attribute__((visibility("default")))

VX_MODULE_EXPORT vx::HRESULT DllGetClassObject(const vx::CLSID& clsid, const vx::IID& iid,
                                               void** object);
