#include "platform/msi/storage/code_page.h"

#include "platform/msi/msi_failure.h"
#include "platform/sys/format_string.h"
#include "platform/sys/wide_string.h"

#include <array>
#include <cerrno>
#include <iconv.h>
#include <map>
#include <vector>

namespace vx::msi {
namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr uint32_t kUtf8 = 65001;

using ByteTable = std::array<char16_t, 256>;

struct KnownCodePage {
    uint32_t id;
    const char* iconvName; // nullptr: built in
    bool multiByte;
};

// The code pages installer packages are written in, and the iconv names glibc knows them by.
constexpr KnownCodePage kKnown[] = {
    {0, nullptr, false},          {1252, nullptr, false},       {kUtf8, nullptr, false},
    {437, "CP437", false},        {850, "CP850", false},        {852, "CP852", false},
    {866, "CP866", false},        {874, "CP874", false},        {1250, "CP1250", false},
    {1251, "CP1251", false},      {1253, "CP1253", false},      {1254, "CP1254", false},
    {1255, "CP1255", false},      {1256, "CP1256", false},      {1257, "CP1257", false},
    {1258, "CP1258", false},      {20127, "ASCII", false},      {28591, "ISO-8859-1", false},
    {28592, "ISO-8859-2", false}, {28595, "ISO-8859-5", false}, {28605, "ISO-8859-15", false},
    {932, "CP932", true},         {936, "CP936", true},         {949, "CP949", true},
    {950, "CP950", true},
};

const KnownCodePage* FindKnown(uint32_t codePage) {
    for (const KnownCodePage& known : kKnown) {
        if (known.id == codePage) {
            return &known;
        }
    }
    return nullptr;
}

// 1252 is Latin-1 except for 0x80..0x9F; the five bytes it leaves undefined map to the C1
// control of the same value, as Windows maps them.
const ByteTable& Table1252() {
    static const ByteTable table = [] {
        constexpr char16_t kHigh[32] = {
            0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
            0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
            0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
        ByteTable t{};
        for (unsigned b = 0; b < 256; ++b) {
            t[b] = static_cast<char16_t>(b);
        }
        for (unsigned b = 0; b < 32; ++b) {
            t[0x80 + b] = kHigh[b];
        }
        return t;
    }();
    return table;
}

// Converts `in` with `cd`, replacing what does not convert, and flushes the converter's state.
void IconvAppend(iconv_t cd, std::span<const uint8_t> in, std::u16string& out) {
    std::vector<char16_t> buffer(in.size() * 2 + 8);
    char* inPtr = const_cast<char*>(reinterpret_cast<const char*>(in.data()));
    size_t inLeft = in.size();
    char* outPtr = reinterpret_cast<char*>(buffer.data());
    size_t outLeft = buffer.size() * sizeof(char16_t);
    const auto flushOut = [&] {
        const size_t produced = (buffer.size() * sizeof(char16_t) - outLeft) / sizeof(char16_t);
        out.append(buffer.data(), produced);
        outPtr = reinterpret_cast<char*>(buffer.data());
        outLeft = buffer.size() * sizeof(char16_t);
    };
    while (inLeft > 0) {
        const size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        if (r != static_cast<size_t>(-1)) {
            break;
        }
        if (errno == E2BIG) {
            flushOut();
            continue;
        }
        // EILSEQ or EINVAL (a lead byte at the end): one byte becomes U+FFFD.
        flushOut();
        out.push_back(kReplacement);
        ++inPtr;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    flushOut();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
}

const char16_t* SingleByteTable(const KnownCodePage& known) {
    if (known.iconvName == nullptr) {
        return Table1252().data();
    }
    static std::mutex lock;
    static std::map<uint32_t, std::unique_ptr<ByteTable>> tables;
    std::lock_guard guard(lock);
    auto& slot = tables[known.id];
    if (!slot) {
        const iconv_t cd = iconv_open("UTF-16LE", known.iconvName);
        if (cd == reinterpret_cast<iconv_t>(-1)) {
            return nullptr;
        }
        auto table = std::make_unique<ByteTable>();
        // Bytes one by one, so that code pages glibc composes (1255, 1258) still map one byte
        // to one character, as Windows' tables do.
        for (unsigned b = 0; b < 256; ++b) {
            const uint8_t byte = static_cast<uint8_t>(b);
            std::u16string unit;
            IconvAppend(cd, std::span<const uint8_t>(&byte, 1), unit);
            if (unit.size() == 1 && unit[0] != kReplacement) {
                (*table)[b] = unit[0];
            } else if (known.id >= 1250 && known.id <= 1258 && b >= 0x80 && b < 0xA0) {
                (*table)[b] = static_cast<char16_t>(b); // Windows' choice for holes there
            } else {
                (*table)[b] = kReplacement;
            }
        }
        iconv_close(cd);
        slot = std::move(table);
    }
    return slot->data();
}

} // namespace

bool IsSupportedCodePage(uint32_t codePage) {
    return FindKnown(codePage) != nullptr;
}

CodePageDecoder::CodePageDecoder(uint32_t codePage, std::u16string_view owner)
    : m_codePage(codePage) {
    const KnownCodePage* known = FindKnown(codePage);
    if (known == nullptr) {
        ThrowDamaged(
            FormatString(u"%s uses code page %u, which is not supported", owner, codePage));
    }
    if (codePage == kUtf8) {
        m_kind = Kind::Utf8;
    } else if (known->multiByte) {
        m_kind = Kind::MultiByte;
        const iconv_t cd = iconv_open("UTF-16LE", known->iconvName);
        if (cd == reinterpret_cast<iconv_t>(-1)) {
            ThrowDamaged(FormatString(u"%s uses code page %u, which this system cannot convert",
                                      owner, codePage));
        }
        m_iconv = cd;
    } else {
        m_kind = Kind::SingleByte;
        m_table = SingleByteTable(*known);
        if (m_table == nullptr) {
            ThrowDamaged(FormatString(u"%s uses code page %u, which this system cannot convert",
                                      owner, codePage));
        }
    }
}

CodePageDecoder::~CodePageDecoder() {
    if (m_iconv != nullptr) {
        iconv_close(static_cast<iconv_t>(m_iconv));
    }
}

std::u16string CodePageDecoder::Decode(std::span<const uint8_t> bytes) const {
    std::u16string out;
    switch (m_kind) {
    case Kind::SingleByte:
        out.resize(bytes.size());
        for (size_t i = 0; i < bytes.size(); ++i) {
            out[i] = m_table[bytes[i]];
        }
        break;
    case Kind::Utf8:
        out = Utf8ToUtf16(
            std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        break;
    case Kind::MultiByte: {
        std::lock_guard guard(m_iconvLock);
        out.reserve(bytes.size());
        IconvAppend(static_cast<iconv_t>(m_iconv), bytes, out);
        break;
    }
    }
    return out;
}

} // namespace vx::msi
