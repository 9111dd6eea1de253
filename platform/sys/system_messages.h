#pragma once
// The system's message texts for the codes this project raises, worded as Windows words them
// and ending as its message formatter ends them (a carriage return and a line feed). Inserts
// such as %1 stay as written, as they do when inserts are ignored.

#include <cstdint>
#include <optional>
#include <string>

namespace vx {

// `id` is a Win32 error code or an HRESULT; an HRESULT of the Win32 facility reads the text of
// its Win32 code. No text is known for the id: std::nullopt.
std::optional<std::u16string> SystemMessageText(uint32_t id);

} // namespace vx
