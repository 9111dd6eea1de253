#pragma once
// The automation objects over one open project's store. Internal to the automation library:
// callers reach them through project_factory.h and the interfaces.

#include "ide/automation/project_interfaces.h"
#include "ide/automation/project_store.h"

#include <memory>

namespace vx {

ComPtr<IProject> MakeProjectObject(std::shared_ptr<ProjectStore> store);
ComPtr<IPatchFiles> MakePatchFileCollection(std::shared_ptr<ProjectStore> store);
ComPtr<IPatchFile> MakePatchFileObject(std::shared_ptr<ProjectStore> store, std::u16string key);

} // namespace vx
