#pragma once
// Opening and creating project files. Both answer an HRESULT and, on failure, leave the reason
// in the thread's error information (see project_errors.h for the codes).

#include "ide/automation/project_interfaces.h"
#include "ide/automation/project_store.h"

#include <string_view>

namespace vx {

// Opens an existing project file read-write (read-only when the file cannot be written; writes
// then fail with VXPROJ_E_READONLY). Nothing is written while opening.
HRESULT OpenProject(std::u16string_view path, const ProjectOpenOptions& options,
                    IProject** project);

// Creates a project of `type` at `path`, which must not exist yet, holding the original package
// path as given (it may be empty), and opens it.
HRESULT CreateProject(std::u16string_view path, std::u16string_view type,
                      std::u16string_view originalPackage, const ProjectOpenOptions& options,
                      IProject** project);

} // namespace vx
