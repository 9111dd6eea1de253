#pragma once
// Where the bytes of one original file can be read.

#include <string>

namespace vx {

struct FileLocation {
    // Full path on this machine.
    std::u16string path;
    // True when `path` is a copy extracted from a cabinet; the package deletes it when it goes.
    bool extracted = false;
};

} // namespace vx
