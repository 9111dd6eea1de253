#pragma once
// BSTR: a length-prefixed, zero-terminated UTF-16 string owned by whoever received it.
// A null BSTR is the empty string.

#include "platform/com/hresult.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vx {

using BSTR = char16_t*;

BSTR SysAllocString(const char16_t* text);
BSTR SysAllocStringLen(const char16_t* text, uint32_t length);
BSTR SysAllocStringView(std::u16string_view text);
void SysFreeString(BSTR text);
uint32_t SysStringLen(BSTR text);

// Hands `text` out through an out parameter as a new BSTR: E_POINTER without a place to put it,
// E_OUTOFMEMORY when it cannot be made.
HRESULT CopyToBstr(std::u16string_view text, BSTR* out);

// A possibly null C string as a view (null reads as empty).
inline std::u16string_view TextOrEmpty(const char16_t* text) {
    return text ? std::u16string_view(text) : std::u16string_view();
}

// Owns one BSTR.
class BStr {
public:
    BStr() = default;
    explicit BStr(std::u16string_view text) : m_text(SysAllocStringView(text)) {}
    ~BStr() { SysFreeString(m_text); }
    BStr(const BStr&) = delete;
    BStr& operator=(const BStr&) = delete;

    BSTR* Out() {
        SysFreeString(m_text);
        m_text = nullptr;
        return &m_text;
    }
    BSTR Get() const { return m_text; }
    BSTR Detach() {
        BSTR text = m_text;
        m_text = nullptr;
        return text;
    }
    std::u16string ToString() const {
        return m_text ? std::u16string(m_text, SysStringLen(m_text)) : std::u16string();
    }

private:
    BSTR m_text = nullptr;
};

} // namespace vx
