#pragma once
// The one way tests run other programs: a shell command whose output, errors and exit code are
// collected, or a part of this test program forked into a child of its own.

#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace vx::testing {

struct ChildOutcome {
    int exitCode = -1; // -1 when the child did not exit on its own
    std::string out;
    std::string err;
};

// Runs `command` with /bin/sh; standard output and standard error are collected apart.
ChildOutcome RunShell(const std::string& command);

// The text single-quoted for the shell.
std::string Quote(const std::string& text);

// The text's lines, without their line feeds.
std::vector<std::string> Lines(const std::string& text);

// A copy of this test program running `body`; the body's result is the child's exit code.
// `toParent` is the write end of a pipe the parent reads with Read(); the child is killed and
// reaped at destruction if the test did not wait for it.
class ForkedChild {
public:
    explicit ForkedChild(const std::function<int(int toParent)>& body);
    ~ForkedChild();
    ForkedChild(const ForkedChild&) = delete;
    ForkedChild& operator=(const ForkedChild&) = delete;

    // Reads one value the child wrote whole; false at the end of the pipe.
    template <class T> bool Read(T& value) { return ReadBytes(&value, sizeof value); }
    // Waits for the child (killing it first when asked) and answers its wait status.
    int Wait(bool kill = false);

private:
    bool ReadBytes(void* into, size_t size);
    pid_t m_pid = -1;
    int m_fromChild = -1;
};

} // namespace vx::testing
