#include "platform/com/bstr.h"
#include "platform/com/stream.h"
#include "platform/com/variant.h"

#include <gtest/gtest.h>

using namespace vx;

TEST(MemoryStream, ShortReadAnswersFalseWithTheBytesThatWereThere) {
    auto stream = CreateMemoryStream({1, 2, 3});
    uint8_t buffer[8] = {};
    ULONG read = 99;
    EXPECT_EQ(stream->Read(buffer, 2, &read), S_OK);
    EXPECT_EQ(read, 2u);
    EXPECT_EQ(stream->Read(buffer, 8, &read), S_FALSE);
    EXPECT_EQ(read, 1u);
    EXPECT_EQ(buffer[0], 3);
    EXPECT_EQ(stream->Read(buffer, 8, &read), S_FALSE);
    EXPECT_EQ(read, 0u);
    EXPECT_EQ(stream->Read(buffer, 0, &read), S_OK); // asking for nothing is never short
}

TEST(MemoryStream, WritesSeeksAndGrowsWithZeroFill) {
    auto stream = CreateMemoryStream();
    const uint8_t data[] = {'a', 'b', 'c'};
    ULONG written = 0;
    ASSERT_EQ(stream->Write(data, 3, &written), S_OK);
    EXPECT_EQ(written, 3u);

    uint64_t position = 0;
    ASSERT_EQ(stream->Seek(2, STREAM_SEEK_END, &position), S_OK);
    EXPECT_EQ(position, 5u);
    ASSERT_EQ(stream->Write(data, 1, nullptr), S_OK);
    EXPECT_EQ(MemoryStreamBytes(stream.Get()), (std::vector<uint8_t>{'a', 'b', 'c', 0, 0, 'a'}));

    ASSERT_EQ(stream->Seek(-6, STREAM_SEEK_CUR, &position), S_OK);
    EXPECT_EQ(position, 0u);
    EXPECT_EQ(stream->Seek(-1, STREAM_SEEK_SET, &position), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(stream->Seek(0, 7, &position), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(stream->Seek(INT64_MAX, STREAM_SEEK_END, &position), STG_E_INVALIDFUNCTION);

    ASSERT_EQ(stream->SetSize(1), S_OK);
    EXPECT_EQ(MemoryStreamBytes(stream.Get()), std::vector<uint8_t>{'a'});
}

TEST(MemoryStream, RefusesNullBuffersAndUnboundedGrowth) {
    auto stream = CreateMemoryStream();
    EXPECT_EQ(stream->Read(nullptr, 4, nullptr), STG_E_INVALIDPOINTER);
    EXPECT_EQ(stream->Write(nullptr, 4, nullptr), STG_E_INVALIDPOINTER);
    ASSERT_EQ(stream->Seek(int64_t{1} << 40, STREAM_SEEK_SET, nullptr), S_OK);
    EXPECT_EQ(stream->Write("x", 1, nullptr), STG_E_MEDIUMFULL);
    EXPECT_EQ(stream->SetSize(uint64_t{1} << 40), STG_E_MEDIUMFULL);
}

TEST(MemoryStream, IsAlsoASequentialStream) {
    auto stream = CreateMemoryStream({9});
    ComPtr<ISequentialStream> sequential;
    ASSERT_EQ(stream.As(sequential), S_OK);
    uint8_t b = 0;
    EXPECT_EQ(sequential->Read(&b, 1, nullptr), S_OK);
    EXPECT_EQ(b, 9);
}

TEST(Bstr, KeepsLengthIncludingEmbeddedZeros) {
    const char16_t text[] = {u'a', 0, u'b'};
    BSTR s = SysAllocStringLen(text, 3);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(SysStringLen(s), 3u);
    EXPECT_EQ(s[3], 0);
    SysFreeString(s);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    BStr owned(u"hello");
    EXPECT_EQ(owned.ToString(), u"hello");
}

TEST(Variant, CopiesStringsAndCountsObjectReferences) {
    Variant text(u"pApp");
    Variant copy = text;
    ASSERT_EQ(copy.Type(), VT_BSTR);
    EXPECT_NE(copy.Get()->bstrVal, text.Get()->bstrVal);
    EXPECT_EQ(std::u16string(copy.Get()->bstrVal), u"pApp");

    auto stream = CreateMemoryStream();
    {
        Variant object(static_cast<IUnknown*>(stream.Get()));
        Variant second = object;
        EXPECT_EQ(stream->AddRef(), 4u); // ours, two variants, this call
        stream->Release();
    }
    EXPECT_EQ(stream->AddRef(), 2u);
    stream->Release();
}
