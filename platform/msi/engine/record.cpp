#include "platform/msi/engine/record.h"

#include "platform/msi/engine/database.h"
#include "platform/sys/format_string.h"

namespace vx::msi {

const std::vector<uint8_t>& StreamField::Bytes() {
    if (!bytes) {
        auto loaded = database ? database->Storage().ReadStream(name) : std::nullopt;
        bytes = std::make_shared<const std::vector<uint8_t>>(loaded ? std::move(*loaded)
                                                                    : std::vector<uint8_t>());
    }
    return *bytes;
}

std::optional<std::u16string_view> Record::TextView(uint32_t field) const {
    if (!HasField(field)) {
        return std::nullopt;
    }
    const FieldValue& v = m_fields[field];
    if (const auto* text = std::get_if<std::u16string>(&v)) {
        return std::u16string_view(*text);
    }
    if (const auto* pooled = std::get_if<PooledText>(&v)) {
        return m_strings ? m_strings->String(pooled->id) : std::u16string_view();
    }
    return std::nullopt;
}

bool Record::IsNull(uint32_t field) const {
    if (!HasField(field)) {
        return true;
    }
    const FieldValue& v = m_fields[field];
    if (std::holds_alternative<std::monostate>(v)) {
        return true;
    }
    // An empty text is null, as the installer stores it.
    if (const auto text = TextView(field)) {
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
    if (const auto text = TextView(field)) {
        return std::u16string(*text);
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
    if (const auto text = TextView(field)) {
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
