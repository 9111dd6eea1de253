#pragma once
// vxpatch commands that make and edit patch projects: new, info, list, add, add-new, set, remove.

#include "apps/vxpatch/command_table.h"
#include "ide/automation/project_interfaces.h"
#include "ide/framework/message_service.h"

#include <string>

namespace vx::cli {

void AddProjectCommands(CommandTable& table);

// While it lives, the page's message boxes become lines on standard error; a warning says so.
class ConsoleMessages final : public IMessageService {
public:
    ConsoleMessages();
    ~ConsoleMessages();
    ConsoleMessages(const ConsoleMessages&) = delete;
    ConsoleMessages& operator=(const ConsoleMessages&) = delete;

    int Show(const MessageBoxRequest& request) override;

private:
    IMessageService* m_previous;
};

// The project at `path`; its patch project object (a project of another type fails); its root.
ComPtr<IProject> OpenProjectFile(const std::u16string& path);
ComPtr<IPatchProject> PatchProjectOf(IProject* project, const std::u16string& path);
ComPtr<IProjectRoot> RootOf(IProject* project);

} // namespace vx::cli
