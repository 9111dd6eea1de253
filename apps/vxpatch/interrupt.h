#pragma once
// Ctrl+C (or SIGTERM) during long work: the first one is only noted, so the work ends after the
// file it is writing and says how far it came; a second one ends the program at once.

namespace vx::cli {

inline constexpr int kExitInterrupted = 130; // the shell's code for a program ended by SIGINT

class InterruptWatch {
public:
    InterruptWatch();
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    static bool Requested();
};

} // namespace vx::cli
