#pragma once
// The VARIANT type codes. VARIANTs carry them, and property sets (a package's summary
// information) store them beside each value and report them through the installer API.

#include <cstdint>

namespace vx {

using VARTYPE = uint16_t;
inline constexpr VARTYPE VT_EMPTY = 0;
inline constexpr VARTYPE VT_I2 = 2;
inline constexpr VARTYPE VT_I4 = 3;
inline constexpr VARTYPE VT_BSTR = 8;
inline constexpr VARTYPE VT_DISPATCH = 9;
inline constexpr VARTYPE VT_BOOL = 11;
inline constexpr VARTYPE VT_UNKNOWN = 13;
inline constexpr VARTYPE VT_LPSTR = 30;
inline constexpr VARTYPE VT_FILETIME = 64;

} // namespace vx
