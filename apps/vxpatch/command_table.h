#pragma once
// The commands of vxpatch: each has a name, its arguments as the usage line shows them, how many
// it takes, a one-line summary and a handler that receives the arguments after its name and
// answers the exit code. The command line checks the count before calling the handler.

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vx::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1; // the command ran and failed (bad package, missing key)
inline constexpr int kExitUsage = 2;   // the command line itself is wrong

struct Command {
    std::u16string name;
    std::u16string arguments;
    size_t minArgs;
    size_t maxArgs;
    std::u16string summary;
    std::function<int(std::span<const std::u16string> args)> run;
    // The command prints data and takes --json (anywhere after its name) for a JSON document.
    bool json = false;

    std::u16string Usage() const { return name + u" " + arguments + (json ? u" [--json]" : u""); }
};

// Thrown by a handler whose arguments are right in number but not in form: the command line
// prints the command's usage and ends with kExitUsage.
struct UsageError {};

class CommandTable {
public:
    void Add(Command command);
    const Command* Find(std::u16string_view name) const;
    const std::vector<Command>& All() const { return m_commands; }
    std::u16string HelpText() const;

private:
    std::vector<Command> m_commands;
};

// Runs the whole command line (argv[1] on). Failures raised as CException are printed with
// their description and give kExitFailure.
int RunCommandLine(const CommandTable& table, std::span<const std::u16string> args);

} // namespace vx::cli
