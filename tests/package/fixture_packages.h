#pragma once
// The test packages the build makes, as paths for the package object.

#include "platform/sys/wide_string.h"

#include <string>

namespace vx::testing {

inline std::string FixtureFile(const std::string& name) {
    return std::string(VX_FIXTURE_DIR) + "/" + name + ".msi";
}

inline std::u16string FixturePackage(const std::string& name) {
    return Utf8ToUtf16(FixtureFile(name));
}

} // namespace vx::testing
