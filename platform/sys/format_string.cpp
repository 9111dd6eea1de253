#include "platform/sys/format_string.h"

namespace vx {
namespace {

struct Directive {
    bool leftAlign = false;
    bool zeroPad = false;
    size_t width = 0;
    bool hasPrecision = false;
    size_t precision = 0;
    char16_t conversion = 0;
};

// One pass writes into `out` when it is not null and always answers the length, so the
// caller can measure first and write second.
class Writer {
public:
    explicit Writer(std::u16string* out) : m_out(out) {}
    void put(char16_t c) {
        if (m_out) {
            m_out->push_back(c);
        }
        ++m_length;
    }
    void put(std::u16string_view s) {
        if (m_out) {
            m_out->append(s);
        }
        m_length += s.size();
    }
    void padded(std::u16string_view body, const Directive& directive, bool numeric) {
        const size_t fill = directive.width > body.size() ? directive.width - body.size() : 0;
        if (directive.leftAlign) {
            put(body);
            for (size_t i = 0; i < fill; ++i) {
                put(u' ');
            }
            return;
        }
        if (directive.zeroPad && numeric) {
            size_t start = 0;
            if (!body.empty() && body[0] == u'-') {
                put(u'-');
                start = 1;
            }
            for (size_t i = 0; i < fill; ++i) {
                put(u'0');
            }
            put(body.substr(start));
            return;
        }
        for (size_t i = 0; i < fill; ++i) {
            put(u' ');
        }
        put(body);
    }
    size_t length() const { return m_length; }

private:
    std::u16string* m_out;
    size_t m_length = 0;
};

std::u16string Digits(uint64_t value, unsigned base, bool upper) {
    const char16_t* digits = upper ? u"0123456789ABCDEF" : u"0123456789abcdef";
    char16_t buffer[24];
    size_t n = 0;
    do {
        buffer[n++] = digits[value % base];
        value /= base;
    } while (value != 0);
    std::u16string out;
    out.reserve(n + 1);
    while (n > 0) {
        out.push_back(buffer[--n]);
    }
    return out;
}

std::u16string Convert(const Directive& directive, const FormatArg* arg) {
    if (!arg) {
        return {};
    }
    switch (directive.conversion) {
    case u's': {
        if (arg->kind() != FormatArg::Kind::Text) {
            return arg->kind() == FormatArg::Kind::Signed
                       ? (arg->asSigned() < 0 ? u"-" + Digits(0 - arg->asUnsigned(), 10, false)
                                              : Digits(arg->asUnsigned(), 10, false))
                       : Digits(arg->asUnsigned(), 10, false);
        }
        std::u16string_view text = arg->text();
        if (directive.hasPrecision && text.size() > directive.precision) {
            text = text.substr(0, directive.precision);
        }
        return std::u16string(text);
    }
    case u'c':
        return arg->kind() == FormatArg::Kind::Text
                   ? std::u16string(arg->text().substr(0, 1))
                   : std::u16string(1, static_cast<char16_t>(arg->asUnsigned()));
    case u'd':
    case u'i':
        if (arg->kind() == FormatArg::Kind::Text) {
            return std::u16string(arg->text());
        }
        if (arg->kind() == FormatArg::Kind::Signed && arg->asSigned() < 0) {
            return u"-" + Digits(0 - arg->asUnsigned(), 10, false);
        }
        return Digits(arg->asUnsigned(), 10, false);
    case u'u':
        return arg->kind() == FormatArg::Kind::Text ? std::u16string(arg->text())
                                                    : Digits(arg->asUnsigned(), 10, false);
    case u'x':
    case u'X':
        if (arg->kind() == FormatArg::Kind::Text) {
            return std::u16string(arg->text());
        }
        // Like printf, a negative int prints as its 32-bit two's complement.
        if (arg->kind() == FormatArg::Kind::Signed && arg->asSigned() >= INT32_MIN &&
            arg->asSigned() < 0) {
            return Digits(static_cast<uint32_t>(arg->asSigned()), 16, directive.conversion == u'X');
        }
        return Digits(arg->asUnsigned(), 16, directive.conversion == u'X');
    default:
        return {};
    }
}

size_t Run(std::u16string_view format, std::span<const FormatArg> args, std::u16string* out) {
    Writer writer(out);
    size_t next = 0;
    size_t i = 0;
    while (i < format.size()) {
        if (format[i] != u'%') {
            const size_t percent = format.find(u'%', i);
            const size_t end = percent == std::u16string_view::npos ? format.size() : percent;
            writer.put(format.substr(i, end - i));
            i = end;
            continue;
        }
        ++i;
        if (i >= format.size()) {
            writer.put(u'%');
            break;
        }
        if (format[i] == u'%') {
            writer.put(u'%');
            ++i;
            continue;
        }
        const size_t start = i - 1;
        Directive directive;
        for (; i < format.size() && (format[i] == u'-' || format[i] == u'0'); ++i) {
            (format[i] == u'-' ? directive.leftAlign : directive.zeroPad) = true;
        }
        for (; i < format.size() && format[i] >= u'0' && format[i] <= u'9'; ++i) {
            directive.width = directive.width * 10 + static_cast<size_t>(format[i] - u'0');
        }
        if (i < format.size() && format[i] == u'.') {
            directive.hasPrecision = true;
            for (++i; i < format.size() && format[i] >= u'0' && format[i] <= u'9'; ++i) {
                directive.precision =
                    directive.precision * 10 + static_cast<size_t>(format[i] - u'0');
            }
        }
        while (i < format.size() && (format[i] == u'l' || format[i] == u'h')) {
            ++i;
        }
        if (i >= format.size()) {
            writer.put(format.substr(start));
            break;
        }
        directive.conversion = format[i++];
        if (directive.conversion == u's' && directive.width == 0 && !directive.hasPrecision) {
            // The common case: a text inserted as it is, without a temporary copy.
            const FormatArg* arg = next < args.size() ? &args[next] : nullptr;
            ++next;
            if (arg && arg->kind() == FormatArg::Kind::Text) {
                writer.put(arg->text());
            } else {
                writer.put(Convert(directive, arg));
            }
            continue;
        }
        switch (directive.conversion) {
        case u's':
        case u'c':
        case u'd':
        case u'i':
        case u'u':
        case u'x':
        case u'X': {
            const FormatArg* arg = next < args.size() ? &args[next] : nullptr;
            ++next;
            const bool numeric = directive.conversion != u's' && directive.conversion != u'c';
            writer.padded(Convert(directive, arg), directive, numeric);
            break;
        }
        default:
            // An unknown conversion is copied as written, so mistakes stay visible.
            writer.put(format.substr(start, i - start));
            break;
        }
    }
    return writer.length();
}

} // namespace

std::u16string FormatStringArgs(std::u16string_view format, std::span<const FormatArg> args) {
    // Room for the usual result is estimated from the arguments, so that one pass writes it;
    // widths and long numbers may still grow the string, which is always allowed to.
    size_t estimate = format.size();
    for (const FormatArg& arg : args) {
        estimate += arg.kind() == FormatArg::Kind::Text ? arg.text().size() : 20;
    }
    std::u16string out;
    out.reserve(estimate);
    Run(format, args, &out);
    return out;
}

} // namespace vx
