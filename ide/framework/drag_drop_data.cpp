#include "ide/framework/drag_drop_data.h"

#include "platform/com/stream_io.h"
#include "platform/sys/little_endian.h"

#include <array>
#include <mutex>
#include <string>
#include <vector>

namespace vx {
namespace {

constexpr std::array<uint8_t, 4> kMagic = {0x56, 0x58, 0x44, 0x44};
constexpr uint32_t kMaxClassNameLength = 64;

struct Registry {
    std::mutex lock;
    std::vector<const DragDropClass*> classes;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

const DragDropClass* FindClass(std::u16string_view name) {
    Registry& registry = TheRegistry();
    std::lock_guard guard(registry.lock);
    for (const DragDropClass* type : registry.classes) {
        if (type->name == name) {
            return type;
        }
    }
    return nullptr;
}

} // namespace

const DragDropClass CDragDropData::kClass{u"CDragDropData", 1, nullptr, nullptr};

bool CDragDropData::IsKindOf(const DragDropClass& type) const {
    for (const DragDropClass* c = &GetRuntimeClass(); c; c = c->base) {
        if (c == &type) {
            return true;
        }
    }
    return false;
}

void CDragDropData::Save(IStream* stream) const {
    const DragDropClass& type = GetRuntimeClass();
    stream->Write(kMagic.data(), static_cast<ULONG>(kMagic.size()), nullptr);
    WriteStreamUint32(stream, static_cast<uint32_t>(type.name.size()));
    std::vector<uint8_t> name;
    for (char16_t c : type.name) {
        name.push_back(static_cast<uint8_t>(c));
        name.push_back(static_cast<uint8_t>(c >> 8));
    }
    stream->Write(name.data(), static_cast<ULONG>(name.size()), nullptr);
    WriteStreamUint32(stream, type.schema);
}

void CDragDropData::FreeResources(IStream*) {}

void RegisterDragDropClass(const DragDropClass& type) {
    Registry& registry = TheRegistry();
    std::lock_guard guard(registry.lock);
    for (const DragDropClass* known : registry.classes) {
        if (known == &type) {
            return;
        }
    }
    registry.classes.push_back(&type);
}

std::unique_ptr<CDragDropData> CreateDragDropObject(std::u16string_view name) {
    const DragDropClass* type = FindClass(name);
    return type && type->create ? type->create() : nullptr;
}

std::unique_ptr<CDragDropData> ReadDragDropData(IStream* stream) {
    std::array<uint8_t, 4> magic{};
    uint32_t length = 0;
    if (!stream || !ReadStreamExactly(stream, magic.data(), 4) || magic != kMagic ||
        !ReadStreamUint32(stream, length) || length == 0 || length > kMaxClassNameLength) {
        return nullptr;
    }
    std::array<uint8_t, 2 * kMaxClassNameLength> bytes{};
    if (!ReadStreamExactly(stream, bytes.data(), 2 * length)) {
        return nullptr;
    }
    const std::u16string name = ReadLe16Text(bytes, 0, length);
    uint32_t schema = 0;
    const DragDropClass* type = FindClass(name);
    if (!ReadStreamUint32(stream, schema) || !type || schema != type->schema) {
        return nullptr;
    }
    std::unique_ptr<CDragDropData> record = CreateDragDropObject(name);
    if (record) {
        record->Load(stream);
    }
    return record;
}

} // namespace vx
