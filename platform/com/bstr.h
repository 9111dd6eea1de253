#pragma once
// BSTR: a length-prefixed, zero-terminated UTF-16 string owned by whoever received it.
// A null BSTR is the empty string.

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
