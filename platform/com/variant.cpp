#include "platform/com/variant.h"

#include "platform/com/dispatch.h"

namespace vx {

void VariantInit(VARIANT* v) {
    v->vt = VT_EMPTY;
    v->lVal = 0;
}

HRESULT VariantClear(VARIANT* v) {
    if (!v) {
        return E_INVALIDARG;
    }
    switch (v->vt) {
    case VT_BSTR:
        SysFreeString(v->bstrVal);
        break;
    case VT_UNKNOWN:
        if (v->punkVal) {
            v->punkVal->Release();
        }
        break;
    case VT_DISPATCH:
        if (v->pdispVal) {
            v->pdispVal->Release();
        }
        break;
    default:
        break;
    }
    VariantInit(v);
    return S_OK;
}

HRESULT VariantCopy(VARIANT* destination, const VARIANT* source) {
    if (!destination || !source) {
        return E_INVALIDARG;
    }
    VARIANT copy = *source;
    switch (source->vt) {
    case VT_EMPTY:
    case VT_I4:
    case VT_BOOL:
        break;
    case VT_BSTR:
        copy.bstrVal = source->bstrVal
                           ? SysAllocStringLen(source->bstrVal, SysStringLen(source->bstrVal))
                           : nullptr;
        if (source->bstrVal && !copy.bstrVal) {
            return E_OUTOFMEMORY;
        }
        break;
    case VT_UNKNOWN:
        if (copy.punkVal) {
            copy.punkVal->AddRef();
        }
        break;
    case VT_DISPATCH:
        if (copy.pdispVal) {
            copy.pdispVal->AddRef();
        }
        break;
    default:
        return E_INVALIDARG;
    }
    VariantClear(destination);
    *destination = copy;
    return S_OK;
}

Variant::Variant(IUnknown* object) {
    m_v.vt = VT_UNKNOWN;
    m_v.punkVal = object;
    if (object) {
        object->AddRef();
    }
}

} // namespace vx
