#include "platform/com/stream_io.h"

#include "platform/sys/little_endian.h"

#include <array>

namespace vx {

void WriteStreamUint32(IStream* stream, uint32_t value) {
    const std::array<uint8_t, 4> bytes = {
        static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
        static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    stream->Write(bytes.data(), 4, nullptr);
}

bool ReadStreamExactly(IStream* stream, void* buffer, ULONG size) {
    ULONG read = 0;
    return stream->Read(buffer, size, &read) == S_OK && read == size;
}

bool ReadStreamUint32(IStream* stream, uint32_t& value) {
    std::array<uint8_t, 4> bytes{};
    if (!ReadStreamExactly(stream, bytes.data(), 4)) {
        return false;
    }
    value = ReadLe32(bytes, 0);
    return true;
}

} // namespace vx
