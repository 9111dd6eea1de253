#pragma once
// The drag record that carries File keys of the original package from the Original Setup Files
// tree to the Files To Patch tree. After the base's part its stream form is, little-endian:
//
//   4 bytes  count of keys (signed)
//   per key: 4 bytes L (0 for a null key, else the key's length in bytes plus 2), then L bytes:
//            the key in UTF-16LE and one 16-bit zero
//
// Load never fails: damaged keys come back as null keys, and the end of the stream ends the list.

#include "ide/framework/drag_drop_data.h"

#include <optional>
#include <string>
#include <vector>

namespace vx {

class CDragDropAppFile final : public CDragDropData {
public:
    static const DragDropClass kClass;
    // Makes the class creatable by name for the receiving side; called when the module loads.
    static void RegisterClass();

    // A null key (std::nullopt) is one that could not be read.
    using Key = std::optional<std::u16string>;

    const DragDropClass& GetRuntimeClass() const override { return kClass; }

    void AddKey(Key key) { m_keys.push_back(std::move(key)); }
    const std::vector<Key>& Keys() const { return m_keys; }

    void Save(IStream* stream) const override;
    void Load(IStream* stream) override;

private:
    std::vector<Key> m_keys;
};

} // namespace vx
