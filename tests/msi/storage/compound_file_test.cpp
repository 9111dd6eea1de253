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

TEST(CompoundFile, ReadsStreamsWithBothSectorSizes) {
    for (unsigned version : {3u, 4u}) {
        const auto bytes = WriteCompoundFile(Sample(), version);
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
    const uint32_t difat =
        static_cast<uint32_t>(bytes[68] | (bytes[69] << 8) | (bytes[70] << 16) | (bytes[71] << 24));
    // Claim more FAT than the DIFAT sector lists and chain that sector to itself, with its
    // unused slots naming a real sector.
    Poke32(looped, 44, static_cast<uint32_t>(layout.fatSectors.size() + 300));
    for (size_t at = 0; at < 508; at += 4) {
        if (looped[layout.SectorOffset(difat) + at + 3] == 0xFF) {
            Poke32(looped, layout.SectorOffset(difat) + at, layout.fatSectors[0]);
        }
    }
    Poke32(looped, layout.SectorOffset(difat) + 508, difat);
    ExpectDamaged([&] { CompoundFile f(looped); }, "DIFAT chain loops");
}

TEST(CompoundFile, IgnoresTheHighHalfOfSizesInVersion3) {
    // Version 3 writers leave garbage in the high half of a stream size.
    CfbLayout layout;
    auto bytes = WriteCompoundFile(Sample(), 3, &layout);
    Poke32(bytes, layout.EntryOffset(layout.entryOfStream[1]) + 124, 0xDEADBEEF);
    {
        const CompoundFile file(bytes);
        EXPECT_EQ(Read(file, u"Big"), Sample()[1].data);
    }
}

TEST(CompoundFile, ShortFinalSectorReadsAsLongAsItsStreamFits) {
    // A version 4 file whose last sector (the FAT) is cut: the FAT's unused tail is missing.
    CfbLayout layout;
    auto bytes = WriteCompoundFile(Sample(), 4, &layout);
    ASSERT_EQ(layout.fatSectors.back() + 1, (bytes.size() - 4096) / 4096);
    bytes.resize(bytes.size() - 3000);
    const CompoundFile file(bytes);
    EXPECT_EQ(Read(file, u"Big"), Sample()[1].data);
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

TEST(CompoundFile, DamagedChainsEndInErrors) {
    CfbLayout layout;
    const auto good = WriteCompoundFile(Sample(), 3, &layout);
    const uint32_t bigFirst = layout.firstSectorOfStream[1];
    const uint32_t bigEntry = layout.entryOfStream[1];

    // A FAT cycle: the stream's second sector leads back to its first.
    auto cycle = good;
    Poke32(cycle, layout.FatEntryOffset(bigFirst + 1), bigFirst);
    {
        const CompoundFile file(cycle);
        ExpectDamaged([&] { Read(file, u"Big"); }, "loops at sector");
    }
    // A FAT entry pointing outside the file.
    auto outside = good;
    Poke32(outside, layout.FatEntryOffset(bigFirst), 0x00FFFFFF);
    {
        const CompoundFile file(outside);
        ExpectDamaged([&] { Read(file, u"Big"); }, "outside");
    }
    // A chain that ends before the declared size is covered.
    auto shortChain = good;
    Poke32(shortChain, layout.FatEntryOffset(bigFirst + 1), 0xFFFFFFFE);
    {
        const CompoundFile file(shortChain);
        ExpectDamaged([&] { Read(file, u"Big"); }, "ends after 2 of its 18 sectors");
    }
    // A declared size far beyond the file: refused before any allocation.
    for (unsigned version : {3u, 4u}) {
        CfbLayout l;
        auto huge = WriteCompoundFile(Sample(), version, &l);
        Poke32(huge, l.EntryOffset(l.entryOfStream[1]) + 120, 0xFFFFFF00);
        if (version == 4) {
            Poke32(huge, l.EntryOffset(l.entryOfStream[1]) + 124, 0x7FFFFFFF);
        }
        const CompoundFile file(huge);
        ExpectDamaged([&] { Read(file, u"Big"); }, "more than the file");
    }
    // A start sector outside the file.
    auto start = good;
    Poke32(start, layout.EntryOffset(bigEntry) + 116, 0x12345678);
    {
        const CompoundFile file(start);
        ExpectDamaged([&] { Read(file, u"Big"); }, "outside");
    }
    // A mini stream chain looping on itself.
    auto mini = good;
    const uint32_t miniFatSector =
        static_cast<uint32_t>(good[60] | (good[61] << 8) | (good[62] << 16) | (good[63] << 24));
    const uint32_t smallFirst = layout.firstSectorOfStream[0];
    Poke32(mini, layout.SectorOffset(miniFatSector) + size_t{smallFirst + 2} * 4, smallFirst);
    {
        const CompoundFile file(mini);
        ExpectDamaged([&] { Read(file, u"small"); }, "loops");
    }
    // FAT sectors listed outside the file, and more of them than the file has sectors.
    auto fat = good;
    Poke32(fat, 76, 0x00ABCDEF);
    ExpectDamaged([&] { CompoundFile f(fat); }, "FAT sector");
    auto fatCount = good;
    Poke32(fatCount, 44, 0x10000000);
    ExpectDamaged([&] { CompoundFile f(fatCount); }, "FAT sectors");
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

TEST(CompoundFile, DamagedDirectoryTreesEndInErrors) {
    CfbLayout layout;
    const auto good = WriteCompoundFile(Sample(), 3, &layout);
    // The last sibling points back at the first: a loop in the tree.
    auto loop = good;
    Poke32(loop, layout.EntryOffset(4) + 72, 1);
    ExpectDamaged([&] { CompoundFile f(loop); }, "loops at entry 1");
    // A left link to itself.
    auto self = good;
    Poke32(self, layout.EntryOffset(2) + 68, 2);
    ExpectDamaged([&] { CompoundFile f(self); }, "loops at entry 2");
    // A link beyond the directory.
    auto beyond = good;
    Poke32(beyond, layout.EntryOffset(2) + 72, 5000);
    ExpectDamaged([&] { CompoundFile f(beyond); }, "entry 5000");
    // Entry 0 must be the root.
    auto root = good;
    root[layout.EntryOffset(0) + 66] = 2;
    ExpectDamaged([&] { CompoundFile f(root); }, "root");
    // The root's mini stream declared larger than the file.
    auto miniSize = good;
    Poke32(miniSize, layout.EntryOffset(0) + 120, 0x7FFFFFF0);
    ExpectDamaged([&] { CompoundFile f(miniSize); }, "mini stream");
}
