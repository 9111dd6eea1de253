#include "platform/msi/engine/record.h"

#include "platform/sys/format_string.h"

namespace vx::msi {

bool Record::IsNull(uint32_t field) const {
    if (!HasField(field)) {
        return true;
    }
    const FieldValue& v = m_fields[field];
    if (std::holds_alternative<std::monostate>(v)) {
        return true;
    }
    // An empty text is null, as the installer stores it.
    if (const auto* text = std::get_if<std::u16string>(&v)) {
        return text->empty();
    }
    return false;
}

std::u16string Record::Text(uint32_t field) const {
    if (!HasField(field)) {
        return {};
    }
    const FieldValue& v = m_fields[field];
    if (const auto* i = std::get_if<int32_t>(&v)) {
        return FormatString(u"%d", *i);
    }
    if (const auto* text = std::get_if<std::u16string>(&v)) {
        return *text;
    }
    return {};
}

int32_t Record::Integer(uint32_t field) const {
    if (!HasField(field)) {
        return kNullInteger;
    }
    const FieldValue& v = m_fields[field];
    if (const auto* i = std::get_if<int32_t>(&v)) {
        return *i;
    }
    if (const auto* text = std::get_if<std::u16string>(&v)) {
        // Only a plain decimal number, optionally negative, converts.
        if (text->empty() || text->size() > 11) {
            return kNullInteger;
        }
        size_t pos = 0;
        const bool negative = (*text)[0] == u'-';
        if (negative) {
            pos = 1;
        }
        if (pos == text->size()) {
            return kNullInteger;
        }
        int64_t value = 0;
        for (; pos < text->size(); ++pos) {
            const char16_t c = (*text)[pos];
            if (c < u'0' || c > u'9') {
                return kNullInteger;
            }
            value = value * 10 + (c - u'0');
        }
        value = negative ? -value : value;
        if (value <= INT32_MIN || value > INT32_MAX) {
            return kNullInteger;
        }
        return static_cast<int32_t>(value);
    }
    return kNullInteger;
}

} // namespace vx::msi
