#include "platform/msi/storage/summary_info.h"

#include "platform/com/vartype.h"
#include "platform/msi/storage/code_page.h"
#include "platform/sys/format_string.h"
#include "platform/sys/little_endian.h"

#include <optional>
#include <vector>

namespace vx::msi {
namespace {

class Reader {
public:
    explicit Reader(std::span<const uint8_t> bytes) : m_bytes(bytes) {}

    void Need(uint64_t at, uint64_t size, const char16_t* what) const {
        if (at > m_bytes.size() || size > m_bytes.size() - at) {
            ThrowDamaged(FormatString(u"the summary information is cut short in %s (bytes %u to "
                                      u"%u of %u)",
                                      what, at, at + size, m_bytes.size()));
        }
    }
    uint16_t U16(uint64_t at, const char16_t* what) const {
        Need(at, 2, what);
        return ReadLe16(m_bytes, static_cast<size_t>(at));
    }
    uint32_t U32(uint64_t at, const char16_t* what) const {
        Need(at, 4, what);
        return ReadLe32(m_bytes, static_cast<size_t>(at));
    }
    uint64_t U64(uint64_t at, const char16_t* what) const {
        Need(at, 8, what);
        return ReadLe64(m_bytes, static_cast<size_t>(at));
    }
    std::span<const uint8_t> Bytes(uint64_t at, uint64_t size, const char16_t* what) const {
        Need(at, size, what);
        return m_bytes.subspan(static_cast<size_t>(at), static_cast<size_t>(size));
    }

private:
    std::span<const uint8_t> m_bytes;
};

struct PropertyRef {
    uint32_t id;
    uint64_t at; // offset in the stream
};

} // namespace

std::map<uint32_t, SummaryValue> ParseSummaryInformation(std::span<const uint8_t> stream) {
    const Reader r(stream);
    if (r.U16(0, u"the header") != 0xFFFE) {
        ThrowDamaged(u"the summary information has a wrong byte-order mark");
    }
    if (r.U32(24, u"the header") == 0) {
        ThrowDamaged(u"the summary information has no property section");
    }
    const uint64_t section = r.U32(44, u"the section list");
    const uint32_t count = r.U32(section + 4, u"the section header");
    // Each property takes at least 8 bytes of index; a count the stream cannot hold is damage.
    r.Need(section + 8, static_cast<uint64_t>(count) * 8, u"the property index");

    std::vector<PropertyRef> refs;
    refs.reserve(count);
    std::optional<uint32_t> codePage;
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t entry = section + 8 + uint64_t{i} * 8;
        const PropertyRef ref{r.U32(entry, u"the property index"),
                              section + r.U32(entry + 4, u"the property index")};
        if (ref.id == kSummaryCodePage && !codePage &&
            r.U32(ref.at, u"the code page property") == VT_I2) {
            codePage = r.U16(ref.at + 4, u"the code page property");
        }
        refs.push_back(ref);
    }
    const CodePageDecoder decoder(codePage.value_or(0), u"the summary information");

    std::map<uint32_t, SummaryValue> out;
    for (const PropertyRef& ref : refs) {
        if (out.count(ref.id) != 0) {
            continue;
        }
        const uint16_t type = static_cast<uint16_t>(r.U32(ref.at, u"a property type"));
        switch (type) {
        case VT_I2: {
            const uint16_t value = r.U16(ref.at + 4, u"a VT_I2 property");
            out.emplace(ref.id, ref.id == kSummaryCodePage
                                    ? static_cast<int32_t>(value)
                                    : static_cast<int32_t>(static_cast<int16_t>(value)));
            break;
        }
        case VT_I4:
            out.emplace(ref.id, static_cast<int32_t>(r.U32(ref.at + 4, u"a VT_I4 property")));
            break;
        case VT_LPSTR: {
            const uint32_t size = r.U32(ref.at + 4, u"a VT_LPSTR property");
            auto bytes = r.Bytes(ref.at + 8, size, u"a VT_LPSTR property");
            // The stored size counts the terminating zero; text stops at the first one.
            for (size_t i = 0; i < bytes.size(); ++i) {
                if (bytes[i] == 0) {
                    bytes = bytes.first(i);
                    break;
                }
            }
            out.emplace(ref.id, decoder.Decode(bytes));
            break;
        }
        case VT_FILETIME:
            out.emplace(ref.id, FileTime{r.U64(ref.at + 4, u"a VT_FILETIME property")});
            break;
        default:
            break; // not a type installer packages use
        }
    }
    return out;
}

} // namespace vx::msi
