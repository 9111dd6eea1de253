#include "platform/com/stream.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace vx {
namespace {

constexpr IID kMemoryStreamIid = MakeGuid("{6C1D0E1B-62A4-4C54-9C0A-4E0F7B2C1A11}");

// Streams larger than this are refused: nothing this process streams comes near it, and a
// damaged length must not make us allocate without bound.
constexpr uint64_t kMaximumSize = uint64_t{1} << 31;

class MemoryStream final : public ComObject<MemoryStream, IStream> {
public:
    explicit MemoryStream(std::vector<uint8_t> bytes) : m_bytes(std::move(bytes)) {}

    HRESULT QueryInterface(const IID& iid, void** object) override {
        if (iid == kMemoryStreamIid && object) {
            *object = this;
            AddRef();
            return S_OK;
        }
        return ComObject::QueryInterface(iid, object);
    }

    HRESULT Read(void* buffer, ULONG size, ULONG* read) override {
        if (!buffer && size > 0) {
            return STG_E_INVALIDPOINTER;
        }
        const uint64_t available = m_position < m_bytes.size() ? m_bytes.size() - m_position : 0;
        const auto count = static_cast<ULONG>(std::min<uint64_t>(size, available));
        if (count > 0) {
            std::memcpy(buffer, m_bytes.data() + m_position, count);
        }
        m_position += count;
        if (read) {
            *read = count;
        }
        return count < size ? S_FALSE : S_OK;
    }

    HRESULT Write(const void* data, ULONG size, ULONG* written) override {
        if (written) {
            *written = 0;
        }
        if (!data && size > 0) {
            return STG_E_INVALIDPOINTER;
        }
        const uint64_t end = m_position + size;
        if (end > kMaximumSize) {
            return STG_E_MEDIUMFULL;
        }
        if (end > m_bytes.size()) {
            m_bytes.resize(end);
        }
        if (size > 0) {
            std::memcpy(m_bytes.data() + m_position, data, size);
        }
        m_position = end;
        if (written) {
            *written = size;
        }
        return S_OK;
    }

    HRESULT Seek(int64_t move, DWORD origin, uint64_t* newPosition) override {
        int64_t base = 0;
        switch (origin) {
        case STREAM_SEEK_SET:
            base = 0;
            break;
        case STREAM_SEEK_CUR:
            base = static_cast<int64_t>(m_position);
            break;
        case STREAM_SEEK_END:
            base = static_cast<int64_t>(m_bytes.size());
            break;
        default:
            return STG_E_INVALIDFUNCTION;
        }
        if ((move < 0 && base + move < 0) ||
            (move > 0 && move > std::numeric_limits<int64_t>::max() - base)) {
            return STG_E_INVALIDFUNCTION;
        }
        // A position past the end is allowed, as with any stream; a write there extends it.
        m_position = static_cast<uint64_t>(base + move);
        if (newPosition) {
            *newPosition = m_position;
        }
        return S_OK;
    }

    HRESULT SetSize(uint64_t newSize) override {
        if (newSize > kMaximumSize) {
            return STG_E_MEDIUMFULL;
        }
        m_bytes.resize(newSize);
        return S_OK;
    }

    const std::vector<uint8_t>& bytes() const { return m_bytes; }

private:
    std::vector<uint8_t> m_bytes;
    uint64_t m_position = 0;
};

} // namespace

ComPtr<IStream> CreateMemoryStream(std::vector<uint8_t> initial) {
    ComPtr<IStream> stream;
    stream.Attach(new MemoryStream(std::move(initial)));
    return stream;
}

std::vector<uint8_t> MemoryStreamBytes(IStream* stream) {
    void* object = nullptr;
    if (!stream || FAILED(stream->QueryInterface(kMemoryStreamIid, &object))) {
        return {};
    }
    auto* memory = static_cast<MemoryStream*>(object);
    std::vector<uint8_t> bytes = memory->bytes();
    memory->Release();
    return bytes;
}

} // namespace vx
