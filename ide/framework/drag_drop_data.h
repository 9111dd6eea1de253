#pragma once
// The base of the records that tree drag and drop carries from one tree to another through a
// stream. The stream starts with the base's own part, which names the record's class:
//
//   4 bytes  "VXDD" (0x56 0x58 0x44 0x44)
//   4 bytes  N, the class name's length in UTF-16 units (1 to 64), little-endian
//   2N bytes the class name, UTF-16LE
//   4 bytes  the class's schema, little-endian
//
// followed by what the derived class's Save writes. The receiving side reads the base part,
// makes an empty record of the named class and lets it Load the rest.

#include "platform/com/stream.h"

#include <cstdint>
#include <memory>
#include <string_view>

namespace vx {

class CDragDropData;

// A record class that can be made by name (MFC's run-time class, as far as drag and drop needs).
struct DragDropClass {
    std::u16string_view name;
    uint32_t schema;
    const DragDropClass* base;
    std::unique_ptr<CDragDropData> (*create)(); // null for a class that cannot be made by name
};

class CDragDropData {
public:
    static const DragDropClass kClass;

    virtual ~CDragDropData() = default;
    virtual const DragDropClass& GetRuntimeClass() const { return kClass; }
    // True when the record's class is `type` or derives from it.
    bool IsKindOf(const DragDropClass& type) const;

    // Writes the base part; derived classes call it first, then write their own part.
    virtual void Save(IStream* stream) const;
    // Reads the derived part; the base part has already been read by the receiving side.
    virtual void Load(IStream* stream) = 0;
    // Releases what a Save put outside the stream; the records here keep nothing outside.
    virtual void FreeResources(IStream* stream);

protected:
    CDragDropData() = default;
    CDragDropData(const CDragDropData&) = default;
    CDragDropData& operator=(const CDragDropData&) = default;
};

// Makes a class creatable by name; registering the same class again changes nothing.
void RegisterDragDropClass(const DragDropClass& type);
// An empty record of the registered class `name`, or null.
std::unique_ptr<CDragDropData> CreateDragDropObject(std::u16string_view name);
// The receiving side: reads the base part and answers the loaded record, or null when the part
// is damaged, the class is unknown or its schema differs.
std::unique_ptr<CDragDropData> ReadDragDropData(IStream* stream);

} // namespace vx
