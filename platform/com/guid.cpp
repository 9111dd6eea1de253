#include "platform/com/guid.h"

#include <cstdlib>
#include <cstring>

namespace vx {
namespace {

int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (c >= u'a' && c <= u'f') {
        return c - u'a' + 10;
    }
    if (c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    return -1;
}

bool ReadHex(std::u16string_view text, size_t pos, size_t digits, uint64_t& value) {
    value = 0;
    for (size_t i = 0; i < digits; ++i) {
        const int v = HexValue(text[pos + i]);
        if (v < 0) {
            return false;
        }
        value = (value << 4) | static_cast<uint64_t>(v);
    }
    return true;
}

} // namespace

std::optional<GUID> ParseGuid(std::u16string_view text) {
    // {01234567-0123-0123-0123-0123456789AB}
    if (text.size() != 38 || text[0] != u'{' || text[37] != u'}' || text[9] != u'-' ||
        text[14] != u'-' || text[19] != u'-' || text[24] != u'-') {
        return std::nullopt;
    }
    GUID guid;
    uint64_t v = 0;
    if (!ReadHex(text, 1, 8, v)) {
        return std::nullopt;
    }
    guid.Data1 = static_cast<uint32_t>(v);
    if (!ReadHex(text, 10, 4, v)) {
        return std::nullopt;
    }
    guid.Data2 = static_cast<uint16_t>(v);
    if (!ReadHex(text, 15, 4, v)) {
        return std::nullopt;
    }
    guid.Data3 = static_cast<uint16_t>(v);
    constexpr size_t kBytePositions[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (size_t i = 0; i < 8; ++i) {
        if (!ReadHex(text, kBytePositions[i], 2, v)) {
            return std::nullopt;
        }
        guid.Data4[i] = static_cast<uint8_t>(v);
    }
    return guid;
}

GUID GuidFromLiteral(std::u16string_view text) {
    const auto guid = ParseGuid(text);
    if (!guid) {
        std::abort();
    }
    return *guid;
}

std::u16string FormatGuid(const GUID& guid) {
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    std::u16string out;
    out.reserve(38);
    auto hex = [&](uint64_t value, int digits) {
        for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
            out.push_back(kDigits[(value >> shift) & 0xF]);
        }
    };
    out.push_back(u'{');
    hex(guid.Data1, 8);
    out.push_back(u'-');
    hex(guid.Data2, 4);
    out.push_back(u'-');
    hex(guid.Data3, 4);
    out.push_back(u'-');
    hex(guid.Data4[0], 2);
    hex(guid.Data4[1], 2);
    out.push_back(u'-');
    for (int i = 2; i < 8; ++i) {
        hex(guid.Data4[i], 2);
    }
    out.push_back(u'}');
    return out;
}

HRESULT CLSIDFromString(const char16_t* text, CLSID* clsid) {
    if (!clsid) {
        return E_INVALIDARG;
    }
    if (!text) {
        *clsid = GUID_NULL;
        return S_OK;
    }
    const auto guid = ParseGuid(text);
    if (!guid) {
        *clsid = GUID_NULL;
        return CO_E_CLASSSTRING;
    }
    *clsid = *guid;
    return S_OK;
}

size_t GuidHash::operator()(const GUID& guid) const noexcept {
    uint64_t a = 0;
    uint64_t b = 0;
    std::memcpy(&a, &guid, 8);
    std::memcpy(&b, reinterpret_cast<const char*>(&guid) + 8, 8);
    return static_cast<size_t>(a * 0x9E3779B97F4A7C15ull ^ b);
}

} // namespace vx
