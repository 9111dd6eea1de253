#include "platform/com/bstr.h"

#include <cstdlib>
#include <cstring>

namespace vx {

BSTR SysAllocStringLen(const char16_t* text, uint32_t length) {
    // Layout: a 32-bit byte count, the characters, a terminating zero.
    const size_t bytes = sizeof(uint32_t) + (size_t{length} + 1) * sizeof(char16_t);
    auto* block = static_cast<char*>(std::malloc(bytes));
    if (!block) {
        return nullptr;
    }
    const uint32_t byteCount = length * 2u;
    std::memcpy(block, &byteCount, sizeof byteCount);
    auto* chars = reinterpret_cast<char16_t*>(block + sizeof(uint32_t));
    if (text) {
        std::memcpy(chars, text, size_t{length} * sizeof(char16_t));
    } else {
        std::memset(chars, 0, size_t{length} * sizeof(char16_t));
    }
    chars[length] = 0;
    return chars;
}

BSTR SysAllocString(const char16_t* text) {
    if (!text) {
        return nullptr;
    }
    return SysAllocStringLen(text, static_cast<uint32_t>(std::char_traits<char16_t>::length(text)));
}

BSTR SysAllocStringView(std::u16string_view text) {
    return SysAllocStringLen(text.data(), static_cast<uint32_t>(text.size()));
}

void SysFreeString(BSTR text) {
    if (text) {
        std::free(reinterpret_cast<char*>(text) - sizeof(uint32_t));
    }
}

uint32_t SysStringLen(BSTR text) {
    if (!text) {
        return 0;
    }
    uint32_t byteCount = 0;
    std::memcpy(&byteCount, reinterpret_cast<char*>(text) - sizeof(uint32_t), sizeof byteCount);
    return byteCount / 2;
}

HRESULT CopyToBstr(std::u16string_view text, BSTR* out) {
    if (!out) {
        return E_POINTER;
    }
    *out = SysAllocStringView(text);
    return *out ? S_OK : E_OUTOFMEMORY;
}

} // namespace vx
