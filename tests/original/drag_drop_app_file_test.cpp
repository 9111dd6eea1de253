// The drag record's stream form: exact bytes, the round trip through the receiving side, and
// damaged input.

#include "VxWsApplicationFilesEP/original/drag_drop_app_file.h"

#include <gtest/gtest.h>

#include <vector>

namespace vx {
namespace {

std::vector<uint8_t> Le32(uint32_t v) {
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 24)};
}

std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> out;
    for (const auto& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

// Only the record's own part: what Save writes after the base part.
std::vector<uint8_t> OwnPart(const CDragDropAppFile& record) {
    auto whole = CreateMemoryStream();
    record.Save(whole.Get());
    auto base = CreateMemoryStream();
    const CDragDropAppFile empty;
    empty.CDragDropData::Save(base.Get());
    const auto all = MemoryStreamBytes(whole.Get());
    const size_t skip = MemoryStreamBytes(base.Get()).size();
    return std::vector<uint8_t>(all.begin() + static_cast<ptrdiff_t>(skip), all.end());
}

std::vector<CDragDropAppFile::Key> Loaded(std::vector<uint8_t> bytes) {
    CDragDropAppFile record;
    auto stream = CreateMemoryStream(std::move(bytes));
    record.Load(stream.Get());
    return record.Keys();
}

TEST(DragDropAppFile, StreamForm) {
    CDragDropAppFile empty;
    EXPECT_EQ(OwnPart(empty), Le32(0));

    CDragDropAppFile record;
    record.AddKey(u"File1");
    record.AddKey(std::nullopt);
    record.AddKey(u"");
    EXPECT_EQ(OwnPart(record), Cat({Le32(3),
                                    Le32(12),
                                    {'F', 0, 'i', 0, 'l', 0, 'e', 0, '1', 0, 0, 0},
                                    Le32(0),
                                    Le32(2),
                                    {0, 0}}));
    EXPECT_EQ(Loaded(OwnPart(record)), record.Keys());
}

TEST(DragDropAppFile, TheReceivingSideMakesTheRecordByName) {
    CDragDropAppFile::RegisterClass();
    CDragDropAppFile record;
    record.AddKey(u"a.dll");
    record.AddKey(u"b\u00e9.dll");
    auto stream = CreateMemoryStream();
    record.Save(stream.Get());
    ASSERT_EQ(stream->Seek(0, STREAM_SEEK_SET, nullptr), S_OK);
    std::unique_ptr<CDragDropData> received = ReadDragDropData(stream.Get());
    ASSERT_TRUE(received);
    ASSERT_TRUE(received->IsKindOf(CDragDropAppFile::kClass));
    EXPECT_TRUE(received->IsKindOf(CDragDropData::kClass));
    EXPECT_EQ(static_cast<CDragDropAppFile&>(*received).Keys(), record.Keys());

    // Another class's name, or a damaged base part, gives nothing.
    auto bytes = MemoryStreamBytes(stream.Get());
    bytes[8] = 'X';
    auto other = CreateMemoryStream(bytes);
    EXPECT_FALSE(ReadDragDropData(other.Get()));
    auto truncated = CreateMemoryStream(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 6));
    EXPECT_FALSE(ReadDragDropData(truncated.Get()));
}

TEST(DragDropAppFile, DamagedInputGivesNullKeys) {
    EXPECT_TRUE(Loaded(Le32(0xFFFFFFFF)).empty()); // count -1
    EXPECT_TRUE(Loaded({1, 2}).empty());           // no count at all

    const std::vector<uint8_t> good = Cat({Le32(6), {'o', 0, 'k', 0, 0, 0}});
    // A length of 1 or above 1 MiB makes that key null; reading goes on after its length.
    EXPECT_EQ(Loaded(Cat({Le32(2), Le32(1), good})),
              (std::vector<CDragDropAppFile::Key>{std::nullopt, u"ok"}));
    EXPECT_EQ(Loaded(Cat({Le32(2), Le32(0x100001), good})),
              (std::vector<CDragDropAppFile::Key>{std::nullopt, u"ok"}));
    EXPECT_EQ(Loaded(Cat({Le32(1), Le32(0x100000)})), // allowed, but the bytes are not there
              std::vector<CDragDropAppFile::Key>{std::nullopt});

    // A count beyond the keys present ends the list with a null key, however large it is.
    EXPECT_EQ(Loaded(Cat({Le32(3), good})),
              (std::vector<CDragDropAppFile::Key>{u"ok", std::nullopt}));
    EXPECT_EQ(Loaded(Cat({Le32(0x7FFFFFFF), good})),
              (std::vector<CDragDropAppFile::Key>{u"ok", std::nullopt}));
    // A key cut short: the stream goes back 4 bytes from where the failed read left it, so
    // the next key reads the text "ab" as a (too large) length; then the end stops the list.
    EXPECT_EQ(Loaded(Cat({Le32(0x7FFFFFFF), Le32(40), {'a', 0, 'b', 0}})),
              (std::vector<CDragDropAppFile::Key>{std::nullopt, std::nullopt}));
}

} // namespace
} // namespace vx
