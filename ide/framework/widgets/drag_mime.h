#pragma once
// How a drag record travels in Qt's drag and drop: its stream form (the base's part, then the
// record's own, drag_drop_data.h) as the data of a QMimeData under a private MIME type. Other
// programs do not know the type, so nothing but our trees accepts the drag.

#include "ide/framework/drag_drop_data.h"

#include <memory>

class QMimeData;

namespace vx {

inline constexpr char kDragRecordMimeType[] = "application/x-vx-drag-record";

// A QMimeData holding the record as its Save writes it. `stream`, when given, receives the
// stream that was written, for the record's FreeResources once the drag is over.
std::unique_ptr<QMimeData> SaveDragRecord(const CDragDropData& record,
                                          ComPtr<IStream>* stream = nullptr);

bool HasDragRecord(const QMimeData* mime);

// The record read back through its run-time class (ReadDragDropData), or null when the data
// has no record, the class is not registered or the base's part is damaged.
std::unique_ptr<CDragDropData> LoadDragRecord(const QMimeData* mime);

} // namespace vx
