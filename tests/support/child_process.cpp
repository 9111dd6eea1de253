#include "support/child_process.h"

#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace vx::testing {

ChildOutcome RunShell(const std::string& command) {
    // Standard error goes to a file of its own, so that a child filling it never blocks.
    char errors[] = "/tmp/vx-child-XXXXXX";
    const int errorFile = ::mkstemp(errors);
    ChildOutcome outcome;
    if (FILE* pipe = ::popen(("(" + command + ") 2>" + Quote(errors)).c_str(), "r")) {
        char buffer[65536];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            outcome.out.append(buffer, n);
        }
        const int status = ::pclose(pipe);
        outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::ostringstream err;
    err << std::ifstream(errors).rdbuf();
    outcome.err = err.str();
    ::close(errorFile);
    ::unlink(errors);
    return outcome;
}

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

ForkedChild::ForkedChild(const std::function<int(int toParent)>& body) {
    int ends[2] = {-1, -1};
    if (::pipe(ends) == 0 && (m_pid = ::fork()) == 0) {
        ::close(ends[0]);
        ::_exit(body(ends[1]));
    }
    ::close(ends[1]);
    m_fromChild = ends[0];
}

ForkedChild::~ForkedChild() {
    Wait(true);
    ::close(m_fromChild);
}

bool ForkedChild::ReadBytes(void* into, size_t size) {
    return ::read(m_fromChild, into, size) == static_cast<ssize_t>(size);
}

int ForkedChild::Wait(bool kill) {
    int status = -1;
    if (m_pid > 0) {
        if (kill) {
            ::kill(m_pid, SIGKILL);
        }
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
    }
    return status;
}

} // namespace vx::testing
