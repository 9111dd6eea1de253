#include "VxWsApplicationFilesEP/package/msi_media.h"

#include "platform/com/com_exception.h"

namespace vx {

CVxMsiMedia::CVxMsiMedia(MSIHANDLE, int, std::u16string extractionFolder, std::u16string)
    : m_extractionFolder(std::move(extractionFolder)) {
    ThrowCabinetsNotAvailable();
}

void ThrowCabinetsNotAvailable() {
    PublishErrorDescription(kCabinetsNotAvailable);
    // Reads back the description just published, as ThrowIfFailed does.
    throw CComException(com_exception(E_NOTIMPL));
}

} // namespace vx
