#include "support/child_process.h"

#include <csignal>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vx::testing {

ChildOutcome RunShell(const std::string& command) {
    ChildOutcome outcome;
    int out[2], err[2];
    if (::pipe(out) != 0 || ::pipe(err) != 0) {
        return outcome;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    for (int fd : {out[0], out[1], err[0], err[1]}) {
        posix_spawn_file_actions_addclose(&actions, fd);
    }
    const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
    pid_t pid = -1;
    const int spawned =
        posix_spawn(&pid, "/bin/sh", &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    // Both pipes at once: a child filling one while we block on the other would never end.
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* into[2] = {&outcome.out, &outcome.err};
    for (int open = 2; spawned == 0 && open > 0;) {
        if (::poll(fds, 2, -1) < 0) {
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd >= 0 && fds[i].revents != 0) {
                char buffer[65536];
                const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
                if (n > 0) {
                    into[i]->append(buffer, static_cast<size_t>(n));
                } else {
                    fds[i].fd = -1;
                    --open;
                }
            }
        }
    }
    ::close(out[0]);
    ::close(err[0]);
    int status = 0;
    if (spawned == 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
        outcome.exitCode = WEXITSTATUS(status);
    }
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
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) {
        return;
    }
    m_pid = ::fork();
    if (m_pid == 0) {
        ::close(pipeEnds[0]);
        ::_exit(body(pipeEnds[1]));
    }
    ::close(pipeEnds[1]);
    m_fromChild = pipeEnds[0];
}

ForkedChild::~ForkedChild() {
    if (m_pid > 0) {
        Wait(true);
    }
    if (m_fromChild >= 0) {
        ::close(m_fromChild);
    }
}

bool ForkedChild::ReadBytes(void* into, size_t size) {
    return m_fromChild >= 0 && ::read(m_fromChild, into, size) == static_cast<ssize_t>(size);
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
