#pragma once
// The records and trees of the drag tests: a record of labels the target accepts, one it
// refuses, a source tree whose payload carries the dragged item's label and a target tree that
// records what it is offered and what is dropped.

#include "ide/framework/widgets/drag_mime.h"
#include "ide/framework/widgets/tree_ctrl.h"
#include "platform/com/stream_io.h"

#include <memory>
#include <string>
#include <vector>

namespace vx::testing {

// A record of labels, the class the target accepts; OtherRecord is one it refuses.
class LabelRecord : public CDragDropData {
public:
    static const DragDropClass kClass;
    const DragDropClass& GetRuntimeClass() const override { return kClass; }

    std::vector<std::u16string> labels;

    void Save(IStream* stream) const override {
        CDragDropData::Save(stream);
        WriteStreamUint32(stream, static_cast<uint32_t>(labels.size()));
        for (const std::u16string& label : labels) {
            WriteStreamUint32(stream, static_cast<uint32_t>(label.size()));
            stream->Write(label.data(), static_cast<ULONG>(2 * label.size()), nullptr);
        }
    }
    void Load(IStream* stream) override {
        uint32_t count = 0;
        ReadStreamUint32(stream, count);
        for (uint32_t i = 0; i < count; ++i) {
            uint32_t length = 0;
            ReadStreamUint32(stream, length);
            std::u16string label(length, u'\0');
            ReadStreamExactly(stream, label.data(), 2 * length);
            labels.push_back(label);
        }
    }
};
inline const DragDropClass LabelRecord::kClass{
    u"LabelRecord", 1, &CDragDropData::kClass,
    [] { return std::unique_ptr<CDragDropData>(new LabelRecord); }};

class OtherRecord : public CDragDropData {
public:
    static const DragDropClass kClass;
    const DragDropClass& GetRuntimeClass() const override { return kClass; }
    void Load(IStream*) override {}
};
inline const DragDropClass OtherRecord::kClass{
    u"OtherRecord", 1, &CDragDropData::kClass,
    [] { return std::unique_ptr<CDragDropData>(new OtherRecord); }};

class SourceTree final : public CVXTreeCtrl {
public:
    std::vector<HTREEITEM> payloadsFor;

protected:
    std::unique_ptr<CDragDropData> CreateDragDropData(HTREEITEM item) override {
        payloadsFor.push_back(item);
        auto record = std::make_unique<LabelRecord>();
        record->labels.push_back(GetItemText(item).toStdU16String());
        return record;
    }
};

class TargetTree final : public CVXTreeCtrl {
public:
    std::vector<uint32_t> keyStates;
    std::vector<std::pair<std::vector<std::u16string>, HTREEITEM>> drops;

protected:
    DROPEFFECT CheckTreeForDropEffect(CDragDropData* record, uint32_t keyState,
                                      HTREEITEM) override {
        keyStates.push_back(keyState);
        return record->IsKindOf(LabelRecord::kClass) ? DROPEFFECT_COPY : DROPEFFECT_NONE;
    }
    bool OnTreeDrop(CDragDropData* record, DROPEFFECT, HTREEITEM target) override {
        drops.emplace_back(static_cast<LabelRecord*>(record)->labels, target);
        return true;
    }
};

} // namespace vx::testing
