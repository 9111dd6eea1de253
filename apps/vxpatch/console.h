#pragma once
// Terminal output of the command-line tool: UTF-16 text written as UTF-8.

#include <string_view>

namespace vx::cli {

void Print(std::u16string_view text);
void PrintLine(std::u16string_view text);
void PrintError(std::u16string_view text);

} // namespace vx::cli
