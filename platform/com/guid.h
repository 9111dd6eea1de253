#pragma once
// GUIDs and their registry text form {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}.

#include "platform/com/hresult.h"

#include <compare>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vx {

struct GUID {
    uint32_t Data1 = 0;
    uint16_t Data2 = 0;
    uint16_t Data3 = 0;
    uint8_t Data4[8] = {};

    friend constexpr bool operator==(const GUID&, const GUID&) = default;
    friend constexpr auto operator<=>(const GUID&, const GUID&) = default;
};

using IID = GUID;
using CLSID = GUID;

inline constexpr GUID GUID_NULL{};

namespace detail {
consteval uint32_t HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return static_cast<uint32_t>(c - '0');
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<uint32_t>(c - 'a' + 10);
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<uint32_t>(c - 'A' + 10);
    }
    throw "not a hex digit"; // only reachable at compile time: a malformed literal
}
consteval uint32_t HexRun(const char* text, int count) {
    uint32_t value = 0;
    for (int i = 0; i < count; ++i) {
        value = (value << 4) | HexDigit(text[i]);
    }
    return value;
}
} // namespace detail

// A GUID written in registry form, checked and converted at compile time.
consteval GUID MakeGuid(const char (&text)[39]) {
    if (text[0] != '{' || text[37] != '}' || text[9] != '-' || text[14] != '-' ||
        text[19] != '-' || text[24] != '-') {
        throw "not a GUID in registry form";
    }
    GUID guid;
    guid.Data1 = detail::HexRun(text + 1, 8);
    guid.Data2 = static_cast<uint16_t>(detail::HexRun(text + 10, 4));
    guid.Data3 = static_cast<uint16_t>(detail::HexRun(text + 15, 4));
    constexpr int kBytePositions[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int i = 0; i < 8; ++i) {
        guid.Data4[i] = static_cast<uint8_t>(detail::HexRun(text + kBytePositions[i], 2));
    }
    return guid;
}

// Parses the registry form; braces are required, hex digits in either case. nullopt otherwise.
std::optional<GUID> ParseGuid(std::u16string_view text);
// Parses a literal known to be right; a malformed one is a programming error and aborts.
GUID GuidFromLiteral(std::u16string_view text);
// The registry form with upper-case digits, as StringFromGUID2 writes it.
std::u16string FormatGuid(const GUID& guid);

// COM's names for the same operations.
HRESULT CLSIDFromString(const char16_t* text, CLSID* clsid);

struct GuidHash {
    size_t operator()(const GUID& guid) const noexcept;
};

} // namespace vx
