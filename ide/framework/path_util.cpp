#include "ide/framework/path_util.h"

#include "platform/sys/path_strings.h"

namespace vx {

std::u16string UtilRemoveShortName(std::u16string_view name) { return LongName(name); }

} // namespace vx
