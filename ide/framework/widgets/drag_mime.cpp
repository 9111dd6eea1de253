#include "ide/framework/widgets/drag_mime.h"

#include <QMimeData>

namespace vx {

std::unique_ptr<QMimeData> SaveDragRecord(const CDragDropData& record, ComPtr<IStream>* stream) {
    ComPtr<IStream> written = CreateMemoryStream();
    record.Save(written.Get());
    const std::vector<uint8_t> bytes = MemoryStreamBytes(written.Get());
    auto mime = std::make_unique<QMimeData>();
    mime->setData(QLatin1StringView(kDragRecordMimeType),
                  QByteArray(reinterpret_cast<const char*>(bytes.data()),
                             static_cast<qsizetype>(bytes.size())));
    if (stream) {
        *stream = std::move(written);
    }
    return mime;
}

bool HasDragRecord(const QMimeData* mime) {
    return mime && mime->hasFormat(QLatin1StringView(kDragRecordMimeType));
}

std::unique_ptr<CDragDropData> LoadDragRecord(const QMimeData* mime) {
    if (!HasDragRecord(mime)) {
        return nullptr;
    }
    const QByteArray data = mime->data(QLatin1StringView(kDragRecordMimeType));
    ComPtr<IStream> stream = CreateMemoryStream(std::vector<uint8_t>(data.begin(), data.end()));
    return ReadDragDropData(stream.Get());
}

} // namespace vx
