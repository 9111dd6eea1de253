#pragma once
// The commands of vxpatch: each has a name, a usage line, a one-line summary and a handler that
// receives the arguments after its name and answers the exit code.

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
    std::u16string usage;
    std::u16string summary;
    std::function<int(std::span<const std::u16string> args)> run;
};

class CommandTable {
public:
    void Add(Command command);
    const Command* Find(std::u16string_view name) const;
    const std::vector<Command>& All() const { return m_commands; }
    std::u16string HelpText() const;

private:
    std::vector<Command> m_commands;
};

// True when the count of arguments lies in [minimum, maximum]; otherwise prints the usage line
// ("usage: vxpatch <usage>") and answers false.
bool NeedArgs(std::span<const std::u16string> args, size_t minimum, size_t maximum,
              std::u16string_view usage);

// Runs the whole command line (argv[1] on). Failures raised as CException are printed with
// their description and give kExitFailure.
int RunCommandLine(const CommandTable& table, std::span<const std::u16string> args);

} // namespace vx::cli
