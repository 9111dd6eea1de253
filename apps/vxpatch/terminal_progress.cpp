#include "apps/vxpatch/terminal_progress.h"

#include "platform/sys/wide_string.h"

#include <cstdio>
#include <unistd.h>

namespace vx::cli {
namespace {
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
constexpr double kMegabyte = 1024.0 * 1024.0;
} // namespace

bool TerminalProgress::Enabled() {
    return ::isatty(STDERR_FILENO) == 1;
}

TerminalProgress::TerminalProgress(std::u16string what, uint64_t total)
    : m_what(std::move(what)), m_total(total), m_enabled(Enabled()) {}

TerminalProgress::~TerminalProgress() {
    Finish();
}

void TerminalProgress::Advance(uint64_t bytes) {
    ++m_done;
    m_bytes += bytes;
    if (!m_enabled) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (!m_shown || now - m_lastDraw >= kRedrawInterval || m_done == m_total) {
        m_lastDraw = now;
        Draw();
    }
}

void TerminalProgress::Draw() {
    const std::string what = Utf16ToUtf8(m_what);
    std::fprintf(stderr, "\r\033[K%s %llu/%llu files, %.1f MB", what.c_str(),
                 static_cast<unsigned long long>(m_done), static_cast<unsigned long long>(m_total),
                 static_cast<double>(m_bytes) / kMegabyte);
    std::fflush(stderr);
    m_shown = true;
}

void TerminalProgress::Finish() {
    if (m_shown) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        m_shown = false;
    }
}

} // namespace vx::cli
