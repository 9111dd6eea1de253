#pragma once
// A record: fields 0..count, each null, an integer, a text or a stream. Field 0 conventionally
// holds a format template.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace vx::msi {

class Database;
class InstallerStorage;

// A stream field: the stream is read from the package on first use (many callers fetch rows only
// for their other columns), then read in pieces from `position` by MsiRecordReadStream.
struct StreamField {
    std::shared_ptr<const Database> database;
    std::u16string name;
    std::shared_ptr<const std::vector<uint8_t>> bytes;
    size_t position = 0;

    // The stream's bytes, loaded when first asked for; an absent stream reads as empty.
    const std::vector<uint8_t>& Bytes();
};

// A text of the package's string pool, by its id: looked up only when the field is read (most
// fields of a fetched row never are). The record keeps the package open meanwhile.
struct PooledText {
    uint32_t id = 0;
};

// A stream field kept out of line: few records have one, and inline it would make every field
// of every record as large as itself (records of fetched rows are made and dropped by the
// thousand).
class StreamBox {
public:
    explicit StreamBox(StreamField field)
        : m_field(std::make_unique<StreamField>(std::move(field))) {}
    StreamBox(const StreamBox& other) : m_field(std::make_unique<StreamField>(*other.m_field)) {}
    StreamBox& operator=(const StreamBox& other) {
        if (this != &other) {
            m_field = std::make_unique<StreamField>(*other.m_field);
        }
        return *this;
    }
    StreamBox(StreamBox&&) noexcept = default;
    StreamBox& operator=(StreamBox&&) noexcept = default;
    ~StreamBox() = default;

    StreamField& operator*() const { return *m_field; }
    StreamField* operator->() const { return m_field.get(); }

private:
    std::unique_ptr<StreamField> m_field;
};

using FieldValue = std::variant<std::monostate, int32_t, std::u16string, StreamBox, PooledText>;

// The integer value that stands for null, as MsiRecordGetInteger answers it.
inline constexpr int32_t kNullInteger = INT32_MIN; // MSI_NULL_INTEGER

class Record {
public:
    explicit Record(uint32_t fieldCount) : m_fields(size_t{fieldCount} + 1) {}

    uint32_t FieldCount() const { return static_cast<uint32_t>(m_fields.size() - 1); }
    bool HasField(uint32_t field) const { return field < m_fields.size(); }
    FieldValue& Field(uint32_t field) { return m_fields[field]; }
    const FieldValue& Field(uint32_t field) const { return m_fields[field]; }

    // Keeps `owner` alive as long as the record, for PooledText fields, which `strings` (owned
    // by `owner`) resolves.
    void Anchor(std::shared_ptr<const void> owner, const InstallerStorage* strings) {
        m_anchor = std::move(owner);
        m_strings = strings;
    }

    bool IsNull(uint32_t field) const;
    // The text of a text field (owned or pooled), without copying; nullopt for other fields.
    std::optional<std::u16string_view> TextView(uint32_t field) const;
    // The text of the field: decimal for integers, "" for null and for streams.
    std::u16string Text(uint32_t field) const;
    // The integer of the field: a text field holding a decimal number is read as that number;
    // anything else answers kNullInteger.
    int32_t Integer(uint32_t field) const;

private:
    std::vector<FieldValue> m_fields;
    std::shared_ptr<const void> m_anchor;
    const InstallerStorage* m_strings = nullptr;
};

} // namespace vx::msi
