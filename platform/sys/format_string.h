#pragma once
// printf-style formatting over UTF-16 strings into a string that grows to whatever the result
// needs, so there is no fixed limit.
//
// Conversions: %s (UTF-16 text), %d %i %u %x %X (integers), %c (one UTF-16 unit), %%.
// Flags '-' and '0', a width and, for %s, a precision are honoured. The 'l', 'll' and 'h'
// size prefixes are accepted and ignored, since the arguments carry their own types.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

namespace vx {

class FormatArg {
public:
    enum class Kind { Text, Signed, Unsigned };

    FormatArg(const char16_t* text) : m_kind(Kind::Text), m_text(text ? text : u"") {}
    FormatArg(std::u16string_view text) : m_kind(Kind::Text), m_text(text) {}
    FormatArg(const std::u16string& text) : m_kind(Kind::Text), m_text(text) {}
    template <class T, std::enable_if_t<std::is_integral_v<T> && std::is_signed_v<T>, int> = 0>
    FormatArg(T value) : m_kind(Kind::Signed), m_signed(value) {}
    template <class T, std::enable_if_t<std::is_integral_v<T> && std::is_unsigned_v<T>, int> = 0>
    FormatArg(T value) : m_kind(Kind::Unsigned), m_unsigned(value) {}

    Kind kind() const { return m_kind; }
    std::u16string_view text() const { return m_text; }
    int64_t asSigned() const {
        return m_kind == Kind::Signed ? m_signed : static_cast<int64_t>(m_unsigned);
    }
    uint64_t asUnsigned() const {
        return m_kind == Kind::Unsigned ? m_unsigned : static_cast<uint64_t>(m_signed);
    }

private:
    Kind m_kind;
    std::u16string_view m_text;
    int64_t m_signed = 0;
    uint64_t m_unsigned = 0;
};

// A missing argument formats as nothing; a text given to %d formats as its text.
std::u16string FormatStringArgs(std::u16string_view format, std::span<const FormatArg> args);

template <class... Args>
std::u16string FormatString(std::u16string_view format, const Args&... args) {
    const std::array<FormatArg, sizeof...(Args)> list{FormatArg(args)...};
    return FormatStringArgs(format, std::span<const FormatArg>(list.data(), list.size()));
}

} // namespace vx
