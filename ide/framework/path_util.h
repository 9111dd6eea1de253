#pragma once
// The framework's path helpers that need no window.

#include <string>
#include <string_view>

namespace vx {

struct IPathVariables;

// The long part of an installer name written short|long; a name without "|" after its first
// character is returned as it stands.
std::u16string UtilRemoveShortName(std::u16string_view name);

// Expands the path variables of `path` (${Name}, see path_variables.h) with the values that
// `variables` gives, and makes a relative result absolute against its base folder. A reference
// to an undefined variable, or one that cannot be read, is left as written; values may refer to
// other variables, to a depth of 8. With no variables the path comes back as it is. An empty
// path stays empty.
std::u16string UtilGetAbsolutePathFromPathVar(std::u16string_view path, IPathVariables* variables);

} // namespace vx
