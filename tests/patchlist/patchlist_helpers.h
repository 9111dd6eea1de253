#pragma once
// A patch project on one of the fixture packages, for the patch-list tests.

#include "support/project_helpers.h"
#include "support/scratch_folder.h"
#include "support/test_paths.h"

namespace vx::testing {

struct FixtureProject {
    explicit FixtureProject(const std::string& package,
                            const std::u16string& original = u"${Fixtures}/") {
        project = NewProject(folder.Wide("patch.vxp"),
                             original == u"${Fixtures}/" ? original + Utf8ToUtf16(package) + u".msi"
                                                         : original);
        ThrowIfFailed(project->PutPathVariable(u"Fixtures", Utf8ToUtf16(VX_FIXTURE_DIR).c_str()));
        patch = PatchOf(project.Get());
        ThrowIfFailed(project->GetProjectRoot(root.ReleaseAndGetAddressOf()));
    }

    ScratchFolder folder;
    ComPtr<IProject> project;
    ComPtr<IPatchProject> patch;
    ComPtr<IProjectRoot> root;
};

} // namespace vx::testing
