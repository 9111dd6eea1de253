#pragma once
// What a host offers a page: the open project and the folder of the IDE's own pages.

#include "ide/framework/widgets/workspace_interfaces.h"

#include <string>

namespace vx {

class CWorkspaceSite final : public ComObject<CWorkspaceSite, IWorkspaceSite> {
public:
    CWorkspaceSite(IProject* project, std::u16string programFolder)
        : m_project(project), m_programFolder(std::move(programFolder)) {}

    HRESULT GetProject(IProject** project) override;
    HRESULT GetProgramFolder(BSTR* folder) override;

private:
    ComPtr<IProject> m_project;
    std::u16string m_programFolder;
};

} // namespace vx
