// Where an original file's bytes lie. This is built together with the cabinet reader; until
// then every key fails clearly rather than answering a path that may be wrong.

#include "VxWsApplicationFilesEP/package/msi_media.h"
#include "VxWsApplicationFilesEP/package/msi_path_resolver.h"

namespace vx {

std::unique_ptr<FileLocation> CMsiPathResolver::LocateOriginalFile(const std::u16string&) const {
    ThrowCabinetsNotAvailable();
}

} // namespace vx
