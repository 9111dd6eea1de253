#pragma once
// Little-endian integers and exact reads over an IStream, for records that travel as streams.

#include "platform/com/stream.h"

#include <cstdint>

namespace vx {

void WriteStreamUint32(IStream* stream, uint32_t value);
// True only when exactly `size` bytes were read.
bool ReadStreamExactly(IStream* stream, void* buffer, ULONG size);
bool ReadStreamUint32(IStream* stream, uint32_t& value);

} // namespace vx
