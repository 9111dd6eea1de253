#include "platform/msi/storage/stream_names.h"

namespace vx::msi {
namespace {

constexpr char16_t kPairBase = 0x3800;
constexpr char16_t kSingleBase = 0x4800;

// 0-9 -> 0..9, A-Z -> 10..35, a-z -> 36..61, '.' -> 62, '_' -> 63; -1 for anything else.
int PackedValue(char16_t c) {
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (c >= u'A' && c <= u'Z') {
        return c - u'A' + 10;
    }
    if (c >= u'a' && c <= u'z') {
        return c - u'a' + 36;
    }
    if (c == u'.') {
        return 62;
    }
    if (c == u'_') {
        return 63;
    }
    return -1;
}

char16_t PackedChar(unsigned value) {
    constexpr char16_t kAlphabet[] =
        u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz._";
    return kAlphabet[value & 0x3F];
}

} // namespace

DecodedStreamName DecodeStreamName(std::u16string_view stored) {
    DecodedStreamName out;
    if (!stored.empty() && stored.front() == kTableStreamMark) {
        out.isTable = true;
        stored.remove_prefix(1);
    }
    out.name.reserve(stored.size() * 2);
    for (const char16_t c : stored) {
        if (c >= kPairBase && c < kSingleBase) {
            const unsigned value = static_cast<unsigned>(c - kPairBase);
            out.name.push_back(PackedChar(value));
            out.name.push_back(PackedChar(value >> 6));
        } else if (c >= kSingleBase && c < kTableStreamMark) {
            out.name.push_back(PackedChar(static_cast<unsigned>(c - kSingleBase)));
        } else {
            out.name.push_back(c);
        }
    }
    return out;
}

std::u16string EncodeStreamName(std::u16string_view name, bool table) {
    std::u16string out;
    out.reserve(name.size() + 1);
    if (table) {
        out.push_back(kTableStreamMark);
    }
    for (size_t i = 0; i < name.size(); ++i) {
        const int first = PackedValue(name[i]);
        if (first < 0) {
            out.push_back(name[i]);
            continue;
        }
        const int second = i + 1 < name.size() ? PackedValue(name[i + 1]) : -1;
        if (second < 0) {
            out.push_back(static_cast<char16_t>(kSingleBase + first));
        } else {
            out.push_back(static_cast<char16_t>(kPairBase + first + (second << 6)));
            ++i;
        }
    }
    return out;
}

} // namespace vx::msi
