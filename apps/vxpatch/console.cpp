#include "apps/vxpatch/console.h"

#include "platform/sys/wide_string.h"

#include <cstdio>

namespace vx::cli {

void Print(std::u16string_view text) {
    const std::string bytes = Utf16ToUtf8(text);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

void PrintLine(std::u16string_view text) {
    Print(text);
    std::fputc('\n', stdout);
}

void PrintError(std::u16string_view text) {
    std::fflush(stdout);
    const std::string bytes = Utf16ToUtf8(text);
    std::fprintf(stderr, "vxpatch: %s\n", bytes.c_str());
}

} // namespace vx::cli
