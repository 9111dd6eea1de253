#pragma once
// vxpatch run by the shell as its users run it: in a folder of the test's own, with the temporary
// folder (where embedded cabinets are copied out) inside it.

#include "support/child_process.h"

#include <filesystem>
#include <string>

namespace vx::testing {

inline ChildOutcome RunVxpatch(const std::filesystem::path& folder, const std::string& arguments) {
    std::filesystem::create_directories(folder / "tmp");
    return RunShell("cd " + Quote(folder.string()) + " && TMPDIR=" +
                    Quote((folder / "tmp").string()) + " " VX_VXPATCH " " + arguments);
}

} // namespace vx::testing
