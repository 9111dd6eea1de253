#include "apps/vxpatch/command_table.h"

#include "apps/vxpatch/console.h"
#include "apps/vxpatch/data_output.h"
#include "cli/version.h"
#include "platform/com/com_exception.h"
#include "platform/sys/format_string.h"
#include "platform/sys/wide_string.h"

#include <algorithm>

namespace vx::cli {

void CommandTable::Add(Command command) {
    m_commands.push_back(std::move(command));
}

const Command* CommandTable::Find(std::u16string_view name) const {
    const auto it = std::find_if(m_commands.begin(), m_commands.end(),
                                 [&](const Command& c) { return c.name == name; });
    return it == m_commands.end() ? nullptr : &*it;
}

std::u16string CommandTable::HelpText() const {
    std::u16string text = u"vxpatch: inspect Windows Installer packages and edit patch projects\n"
                          u"\n"
                          u"Usage: vxpatch COMMAND [ARGUMENTS...]\n"
                          u"       vxpatch --help | --version\n";
    if (!m_commands.empty()) {
        text += u"\nCommands:\n";
        size_t width = 0;
        for (const auto& c : m_commands) {
            width = std::max(width, c.Usage().size());
        }
        for (const auto& c : m_commands) {
            const std::u16string usage = c.Usage();
            text +=
                u"  " + usage + std::u16string(width - usage.size() + 2, u' ') + c.summary + u"\n";
        }
    }
    text += u"\nExit codes: 0 success, 1 the command failed, 2 the command line is wrong.\n";
    return text;
}

int RunCommandLine(const CommandTable& table, std::span<const std::u16string> args) {
    if (args.empty()) {
        Print(table.HelpText());
        return kExitUsage;
    }
    const std::u16string& first = args.front();
    if (first == u"--help" || first == u"-h" || first == u"help") {
        Print(table.HelpText());
        return kExitSuccess;
    }
    if (first == u"--version") {
        PrintLine(u"vxpatch " + Utf8ToUtf16(VX_VERSION_TEXT));
        return kExitSuccess;
    }
    const Command* command = table.Find(first);
    if (!command) {
        PrintError(FormatString(u"unknown command \"%s\"; see vxpatch --help", first));
        return kExitUsage;
    }
    std::vector<std::u16string> commandArgs(args.begin() + 1, args.end());
    if (command->json) {
        const auto json = std::find(commandArgs.begin(), commandArgs.end(), u"--json");
        if (json != commandArgs.end()) {
            commandArgs.erase(json);
            SetOutputFormat(OutputFormat::Json);
        }
    }
    try {
        if (commandArgs.size() < command->minArgs || commandArgs.size() > command->maxArgs) {
            throw UsageError{};
        }
        return command->run(commandArgs);
    } catch (const UsageError&) {
        PrintError(u"usage: vxpatch " + command->Usage());
        return kExitUsage;
    } catch (const CComException& e) {
        PrintError(e.Description());
        return kExitFailure;
    } catch (const CException& e) {
        char16_t buffer[1024];
        e.GetErrorMessage(buffer, 1024);
        PrintError(buffer[0] ? buffer : u"the command failed");
        return kExitFailure;
    } catch (const std::bad_alloc&) {
        PrintError(u"out of memory");
        return kExitFailure;
    }
}

} // namespace vx::cli
