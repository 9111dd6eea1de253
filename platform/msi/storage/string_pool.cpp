#include "platform/msi/storage/string_pool.h"

#include "platform/msi/msi_failure.h"
#include "platform/msi/storage/code_page.h"
#include "platform/sys/format_string.h"

namespace vx::msi {
namespace {

constexpr uint32_t kLongReferencesBit = 0x80000000u;

uint16_t Le16(std::span<const uint8_t> b, size_t at) {
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

} // namespace

StringPool ParseStringPool(std::span<const uint8_t> pool, std::span<const uint8_t> data) {
    if (pool.size() % 4 != 0) {
        ThrowDamaged(FormatString(u"the string pool holds %u bytes, not a whole number of "
                                  u"4-byte entries",
                                  pool.size()));
    }
    StringPool out;
    const size_t slots = pool.size() / 4;
    if (slots > 0) {
        const uint32_t header =
            static_cast<uint32_t>(Le16(pool, 0)) | (static_cast<uint32_t>(Le16(pool, 2)) << 16);
        out.codePage = header & ~kLongReferencesBit;
        out.longReferences = (header & kLongReferencesBit) != 0;
    }
    const CodePageDecoder decoder(out.codePage, u"the string pool");

    out.strings.reserve(slots > 0 ? slots : 1);
    out.strings.emplace_back(); // id 0
    size_t offset = 0;
    for (size_t slot = 1; slot < slots; ++slot) {
        const uint32_t id = static_cast<uint32_t>(out.strings.size());
        uint32_t length = Le16(pool, slot * 4);
        const uint16_t refs = Le16(pool, slot * 4 + 2);
        if (length == 0 && refs != 0) {
            if (slot + 1 >= slots) {
                ThrowDamaged(FormatString(u"the string pool ends inside the two entries of long "
                                          u"string %u",
                                          id));
            }
            ++slot;
            length = (static_cast<uint32_t>(refs) << 16) | Le16(pool, slot * 4);
        }
        if (length > data.size() - offset) {
            ThrowDamaged(FormatString(u"string %u needs bytes %u to %u, but the string data "
                                      u"holds only %u bytes",
                                      id, offset, offset + length, data.size()));
        }
        out.strings.push_back(decoder.Decode(data.subspan(offset, length)));
        offset += length;
    }
    if (offset != data.size()) {
        ThrowDamaged(FormatString(u"the string pool accounts for %u bytes of string data, but "
                                  u"the string data holds %u",
                                  offset, data.size()));
    }
    return out;
}

} // namespace vx::msi
