#pragma once
// IStream as far as the drag record and the services use it, and a stream over memory.

#include "platform/com/unknown.h"

#include <cstdint>
#include <vector>

namespace vx {

enum StreamSeek : DWORD { STREAM_SEEK_SET = 0, STREAM_SEEK_CUR = 1, STREAM_SEEK_END = 2 };

struct ISequentialStream : IUnknown {
    static constexpr IID kIid = MakeGuid("{0C733A30-2A1C-11CE-ADE5-00AA0044773D}");
    // Reads up to `size` bytes; a short read (the end reached) answers S_FALSE.
    virtual HRESULT Read(void* buffer, ULONG size, ULONG* read) = 0;
    virtual HRESULT Write(const void* data, ULONG size, ULONG* written) = 0;
};

struct IStream : ISequentialStream {
    using Parent = ISequentialStream;
    static constexpr IID kIid = MakeGuid("{0000000C-0000-0000-C000-000000000046}");
    virtual HRESULT Seek(int64_t move, DWORD origin, uint64_t* newPosition) = 0;
    virtual HRESULT SetSize(uint64_t newSize) = 0;
};

// A growable stream over memory starting at position 0, holding `initial`.
ComPtr<IStream> CreateMemoryStream(std::vector<uint8_t> initial = {});
// The bytes of a stream made by CreateMemoryStream; empty for any other stream.
std::vector<uint8_t> MemoryStreamBytes(IStream* stream);

} // namespace vx
