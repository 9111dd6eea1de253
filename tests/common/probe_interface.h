#pragma once
// The interface of the loader tests' probe module (ASCII texts only).

#include "platform/com/bstr.h"
#include "platform/com/unknown.h"

namespace vx::testing {

inline constexpr CLSID CLSID_Probe = MakeGuid("{9B49FF8F-88FA-4C0B-B759-4E850CD936E2}");

struct IProbe : IUnknown {
    static constexpr IID kIid = MakeGuid("{5E0D2C61-3B8A-4F49-9C1E-7A3D52B0E6F4}");
    // The current folder while the module was being loaded.
    virtual HRESULT GetLoadFolder(BSTR* folder) = 0;
    // The file the answering module was loaded from.
    virtual HRESULT GetModuleFile(BSTR* file) = 0;
};

} // namespace vx::testing
