#pragma once
// VARIANT for the few types that cross IDispatch here: empty, 32-bit integers, booleans,
// strings and object references.

#include "platform/com/bstr.h"
#include "platform/com/unknown.h"
#include "platform/com/vartype.h"

#include <cstdint>

namespace vx {

struct IDispatch;

using VARIANT_BOOL = int16_t;
inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

struct VARIANT {
    VARTYPE vt = VT_EMPTY;
    union {
        int32_t lVal;
        VARIANT_BOOL boolVal;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
    };
    VARIANT() : lVal(0) {}
};

void VariantInit(VARIANT* v);
// Frees a string and releases an object reference, then leaves the variant empty.
HRESULT VariantClear(VARIANT* v);
// Copies with a reference added or a string duplicated. DISP_E_BADVARTYPE-like failures answer
// E_INVALIDARG.
HRESULT VariantCopy(VARIANT* destination, const VARIANT* source);

// Owns one VARIANT.
class Variant {
public:
    Variant() = default;
    explicit Variant(int32_t value) {
        m_v.vt = VT_I4;
        m_v.lVal = value;
    }
    explicit Variant(std::u16string_view text) {
        m_v.vt = VT_BSTR;
        m_v.bstrVal = SysAllocStringView(text);
    }
    explicit Variant(IUnknown* object);
    ~Variant() { VariantClear(&m_v); }
    Variant(const Variant& other) { VariantCopy(&m_v, &other.m_v); }
    Variant& operator=(const Variant& other) {
        if (this != &other) {
            VariantCopy(&m_v, &other.m_v);
        }
        return *this;
    }

    VARIANT* Get() { return &m_v; }
    const VARIANT* Get() const { return &m_v; }
    VARTYPE Type() const { return m_v.vt; }

private:
    VARIANT m_v;
};

} // namespace vx
