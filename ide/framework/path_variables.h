#pragma once
// Where the framework's path helper finds a project's path variables. The project objects offer
// this interface; the helper needs nothing else from them.
//
// A reference to a variable is written ${Name} (Name: a letter or "_", then letters, digits or
// "_"); "$${" stands for a literal "${". The built-in variable ProjectFolder is the folder of the
// project file.

#include "platform/com/bstr.h"
#include "platform/com/unknown.h"

namespace vx {

inline constexpr char16_t kProjectFolderVariable[] = u"ProjectFolder";

struct IPathVariables : IUnknown {
    static constexpr IID kIid = MakeGuid("{4D7F8D12-039D-4424-95EC-5DBC21F3132E}");
    // S_OK with the value, or S_FALSE with null when the variable is not defined.
    virtual HRESULT GetPathVariable(const char16_t* name, BSTR* value) = 0;
    // The folder against which relative paths are made absolute (the project file's folder).
    virtual HRESULT GetBaseFolder(BSTR* folder) = 0;
};

} // namespace vx
