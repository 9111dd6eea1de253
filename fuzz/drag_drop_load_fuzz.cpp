// Fuzzes the drag record's stream form as the receiving tree reads it: the input is the stream
// after the base part, given to CDragDropAppFile::Load, and then the whole stream through the
// receiving side's ReadDragDropData.

#include "VxWsApplicationFilesEP/original/drag_drop_app_file.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

using namespace vx;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes(data, data + size);
    {
        CDragDropAppFile record;
        auto stream = CreateMemoryStream(bytes);
        record.Load(stream.Get());
        // Every key read comes from the input: never more keys than 4-byte lengths in it.
        if (record.Keys().size() > size / 4 + 1) {
            std::abort();
        }
    }
    CDragDropAppFile::RegisterClass();
    auto whole = CreateMemoryStream(bytes);
    ReadDragDropData(whole.Get());
    return 0;
}
