#include "VxWsApplicationFilesEP/original/drag_drop_app_file.h"

#include "platform/com/stream_io.h"
#include "platform/sys/little_endian.h"

#include <array>

namespace vx {
namespace {

// A key's length field above this is damage, not a key.
constexpr uint32_t kMaxKeyBytes = 0x100000;

uint64_t Position(IStream* stream) {
    uint64_t position = 0;
    stream->Seek(0, STREAM_SEEK_CUR, &position);
    return position;
}

// One key; nullopt when it is null or could not be read.
CDragDropAppFile::Key ReadKey(IStream* stream) {
    uint32_t length = 0;
    // A length of 0 is a null key; 1 and anything too long are damage.
    if (!ReadStreamUint32(stream, length) || length <= 1 || length > kMaxKeyBytes) {
        return std::nullopt;
    }
    std::vector<uint8_t> bytes(length);
    if (!ReadStreamExactly(stream, bytes.data(), length)) {
        stream->Seek(-4, STREAM_SEEK_CUR, nullptr);
        return std::nullopt;
    }
    // The text is the L - 2 bytes before the terminating zero.
    return ReadLe16Text(bytes, 0, (length - 2) / 2);
}

std::unique_ptr<CDragDropData> CreateAppFile() {
    return std::make_unique<CDragDropAppFile>();
}

} // namespace

const DragDropClass CDragDropAppFile::kClass{u"CDragDropAppFile", 1, &CDragDropData::kClass,
                                             &CreateAppFile};

void CDragDropAppFile::RegisterClass() {
    RegisterDragDropClass(kClass);
}

void CDragDropAppFile::Save(IStream* stream) const {
    CDragDropData::Save(stream);
    WriteStreamUint32(stream, static_cast<uint32_t>(m_keys.size()));
    for (const Key& key : m_keys) {
        if (!key) {
            WriteStreamUint32(stream, 0);
            continue;
        }
        const std::u16string copy = *key;
        const uint32_t length = static_cast<uint32_t>(copy.size() * 2 + 2);
        WriteStreamUint32(stream, length);
        std::vector<uint8_t> bytes;
        bytes.reserve(length);
        for (char16_t c : copy) {
            bytes.push_back(static_cast<uint8_t>(c));
            bytes.push_back(static_cast<uint8_t>(c >> 8));
        }
        bytes.push_back(0);
        bytes.push_back(0);
        stream->Write(bytes.data(), length, nullptr);
    }
}

void CDragDropAppFile::Load(IStream* stream) {
    uint32_t rawCount = 0;
    if (!ReadStreamUint32(stream, rawCount)) {
        return;
    }
    const auto count = static_cast<int32_t>(rawCount);
    for (int32_t i = 0; i < count; ++i) {
        const uint64_t start = Position(stream);
        Key key = ReadKey(stream);
        const bool failed = !key.has_value();
        m_keys.push_back(std::move(key));
        // A damaged count may claim far more keys than the stream holds: once a failed key has
        // left the stream where it started, or at its end, nothing further can be read.
        if (failed) {
            uint64_t end = 0;
            const uint64_t here = Position(stream);
            stream->Seek(0, STREAM_SEEK_END, &end);
            stream->Seek(static_cast<int64_t>(here), STREAM_SEEK_SET, nullptr);
            if (here <= start || here >= end) {
                return;
            }
        }
    }
}

} // namespace vx
