#pragma once
// A one-line progress report for long work, shown on standard error only when standard error is
// a terminal (so redirected output and test logs stay clean) and redrawn at most ten times a
// second.

#include <chrono>
#include <cstdint>
#include <string>

namespace vx::cli {

class TerminalProgress {
public:
    // `what` names the work ("Extracting"); `total` is the number of items.
    TerminalProgress(std::u16string what, uint64_t total);
    ~TerminalProgress();
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    void Advance(uint64_t bytes);
    // Clears the line (before other output, and at the end).
    void Finish();

    static bool Enabled();

private:
    void Draw();

    std::u16string m_what;
    uint64_t m_total;
    uint64_t m_done = 0;
    uint64_t m_bytes = 0;
    bool m_shown = false;
    bool m_enabled;
    std::chrono::steady_clock::time_point m_lastDraw;
};

} // namespace vx::cli
