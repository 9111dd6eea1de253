#pragma once
// Runs a shell command for a test and collects its standard output and exit code.

#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace vx::testing {

struct CommandOutcome {
    int exitCode = -1;
    std::string out;
};

inline CommandOutcome RunCommand(const std::string& command) {
    CommandOutcome run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        return run;
    }
    std::array<char, 65536> buffer{};
    size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        run.out.append(buffer.data(), n);
    }
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

} // namespace vx::testing
