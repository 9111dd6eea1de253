#include "platform/msi/storage/compound_file.h"
#include "tests/msi/storage/package_writer.h"
#include "tests/msi/storage/test_support.h"

#include <gtest/gtest.h>

using namespace vx;
using namespace vx::msi;
using namespace vx::msi::test;

namespace {

std::vector<uint8_t> Pattern(size_t size, uint8_t seed) {
    std::vector<uint8_t> out(size);
    for (size_t i = 0; i < size; ++i) {
        out[i] = static_cast<uint8_t>(seed + i * 7 + (i >> 9));
    }
    return out;
}

// A mini stream, a regular stream of several sectors and an empty one.
std::vector<CfbStream> Sample() {
    return {{u"small", Pattern(300, 1)},
            {u"Big", Pattern(9000, 2)},
            {u"empty", {}},
            {u"Zz", Pattern(4096, 3)}};
}

std::vector<uint8_t> Read(const CompoundFile& file, std::u16string_view name) {
    const CompoundEntry* entry = file.FindRootChild(name);
    EXPECT_NE(entry, nullptr);
    return entry ? file.ReadStream(*entry) : std::vector<uint8_t>{};
}

} // namespace

// Version 3 writers leave garbage in the high half of a stream size, which is ignored; a version
// 4 file whose last sector (the FAT) is cut short reads as long as its streams fit.
TEST(CompoundFile, ReadsStreamsWithBothSectorSizes) {
    for (unsigned version : {3u, 4u}) {
        CfbLayout layout;
        auto bytes = WriteCompoundFile(Sample(), version, &layout);
        if (version == 3) {
            Put(bytes, layout.EntryOffset(layout.entryOfStream[1]) + 124, 0xDEADBEEF);
        } else {
            ASSERT_EQ(layout.fatSectors.back() + 1, (bytes.size() - 4096) / 4096);
            bytes.resize(bytes.size() - 3000);
        }
        const CompoundFile file(bytes);
        EXPECT_EQ(file.MajorVersion(), version);
        EXPECT_EQ(file.SectorSize(), version == 4 ? 4096u : 512u);
        for (const CfbStream& s : Sample()) {
            EXPECT_EQ(Read(file, s.name), s.data) << Utf16ToUtf8(s.name) << " v" << version;
        }
        // Directory order: shorter names first, then without regard to case.
        std::vector<std::u16string> names;
        for (const auto& child : file.RootChildren()) {
            names.push_back(child.name);
        }
        EXPECT_EQ(names, (std::vector<std::u16string>{u"Zz", u"Big", u"empty", u"small"}));
        EXPECT_EQ(file.FindRootChild(u"big"), nullptr); // stored names compare exactly
    }
}

TEST(CompoundFile, FollowsTheDifatBeyondTheHeader) {
    // More than 109 FAT sectors: 8 MB of 512-byte sectors needs a DIFAT sector of its own.
    const std::vector<CfbStream> streams{{u"huge", Pattern(8u << 20, 9)},
                                         {u"tiny", Pattern(10, 4)}};
    CfbLayout layout;
    const auto bytes = WriteCompoundFile(streams, 3, &layout);
    ASSERT_GT(layout.fatSectors.size(), 109u);
    const CompoundFile file(bytes);
    EXPECT_EQ(Read(file, u"huge"), streams[0].data);
    EXPECT_EQ(Read(file, u"tiny"), streams[1].data);

    // A DIFAT sector that names itself as its successor ends in an error, not a hang.
    auto looped = bytes;
    const uint32_t difat = Get32(bytes, 68);
    // Claim more FAT than the DIFAT sector lists and chain that sector to itself, with its
    // unused slots naming a real sector.
    Put(looped, 44, static_cast<uint32_t>(layout.fatSectors.size() + 300));
    for (size_t at = 0; at < 508; at += 4) {
        if (looped[layout.SectorOffset(difat) + at + 3] == 0xFF) {
            Put(looped, layout.SectorOffset(difat) + at, layout.fatSectors[0]);
        }
    }
    Put(looped, layout.SectorOffset(difat) + 508, difat);
    ExpectDamaged([&] { CompoundFile f(looped); }, "DIFAT chain loops");
}

TEST(CompoundFile, RejectsWhatIsNotACompoundFile) {
    ExpectDamaged([] { CompoundFile f{std::span<const uint8_t>()}; }, "not a compound file");
    ExpectDamaged([] { CompoundFile f(Bytes("PK\x03\x04 not an installer package")); },
                  "not a compound file");
    auto bytes = WriteCompoundFile(Sample(), 3);
    ExpectDamaged([&] { CompoundFile f{std::span(bytes).first(300)}; }, "too few");
    auto version = bytes;
    version[26] = 7;
    ExpectDamaged([&] { CompoundFile f(version); }, "version 7");
    auto v4 = WriteCompoundFile(Sample(), 4);
    ExpectDamaged([&] { CompoundFile f{std::span(v4).first(2048)}; }, "header sector");
}

// The bytes with one 32-bit value changed.
std::vector<uint8_t> With(std::vector<uint8_t> bytes, size_t at, uint32_t value) {
    Put(bytes, at, value);
    return bytes;
}

TEST(CompoundFile, DamagedChainsAndTreesEndInErrors) {
    CfbLayout layout;
    const auto good = WriteCompoundFile(Sample(), 3, &layout);
    const uint32_t bigFirst = layout.firstSectorOfStream[1];
    const size_t bigEntry = layout.EntryOffset(layout.entryOfStream[1]);
    const uint32_t smallFirst = layout.firstSectorOfStream[0];
    const size_t miniFat = layout.SectorOffset(Get32(good, 60));
    CfbLayout v4Layout;
    const auto v4 = WriteCompoundFile(Sample(), 4, &v4Layout);
    const size_t v4Big = v4Layout.EntryOffset(v4Layout.entryOfStream[1]);
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        const char16_t* stream; // read after opening; nullptr: the open itself fails
        const char* fragment;
    };
    const Case cases[] = {
        {"a FAT cycle", With(good, layout.FatEntryOffset(bigFirst + 1), bigFirst), u"Big",
         "loops at sector"},
        {"a FAT entry outside the file", With(good, layout.FatEntryOffset(bigFirst), 0x00FFFFFF),
         u"Big", "outside"},
        {"a chain shorter than the size",
         With(good, layout.FatEntryOffset(bigFirst + 1), 0xFFFFFFFE), u"Big",
         "ends after 2 of its 18 sectors"},
        // Refused before any allocation.
        {"a size far beyond the file", With(good, bigEntry + 120, 0xFFFFFF00), u"Big",
         "more than the file"},
        {"a version 4 size far beyond the file",
         With(With(v4, v4Big + 120, 0xFFFFFF00), v4Big + 124, 0x7FFFFFFF), u"Big",
         "more than the file"},
        {"a start sector outside the file", With(good, bigEntry + 116, 0x12345678), u"Big",
         "outside"},
        {"a mini chain looping", With(good, miniFat + size_t{smallFirst + 2} * 4, smallFirst),
         u"small", "loops"},
        {"FAT sectors outside the file", With(good, 76, 0x00ABCDEF), nullptr, "FAT sector"},
        {"more FAT sectors than sectors", With(good, 44, 0x10000000), nullptr, "FAT sectors"},
        {"the last sibling back at the first", With(good, layout.EntryOffset(4) + 72, 1), nullptr,
         "loops at entry 1"},
        {"a left link to itself", With(good, layout.EntryOffset(2) + 68, 2), nullptr,
         "loops at entry 2"},
        {"a link beyond the directory", With(good, layout.EntryOffset(2) + 72, 5000), nullptr,
         "entry 5000"},
        {"entry 0 of stream type",
         With(good, layout.EntryOffset(0) + 64,
              (Get32(good, layout.EntryOffset(0) + 64) & 0xFF00FFFF) | 0x00020000),
         nullptr, "root"},
        {"a mini stream beyond the file", With(good, layout.EntryOffset(0) + 120, 0x7FFFFFF0),
         nullptr, "mini stream"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.stream == nullptr) {
            ExpectDamaged([&] { CompoundFile f(c.bytes); }, c.fragment);
        } else {
            const CompoundFile file(c.bytes);
            ExpectDamaged([&] { Read(file, c.stream); }, c.fragment);
        }
    }
    // Truncation anywhere: an error or a readable file, never a crash.
    for (size_t size = 512; size < good.size(); size += 97) {
        try {
            const CompoundFile file{std::span(good).first(size)};
            for (const auto& child : file.RootChildren()) {
                (void)file.ReadStream(child);
            }
        } catch (const MsiFailure& failure) {
            EXPECT_EQ(failure.code, ERROR_INSTALL_PACKAGE_INVALID);
            EXPECT_FALSE(failure.detail.empty());
        }
    }
}
