#include "apps/vxpatch/interrupt.h"

#include <csignal>

namespace vx::cli {
namespace {

volatile std::sig_atomic_t g_requested = 0;
struct sigaction g_previousInt {};
struct sigaction g_previousTerm {};

extern "C" void NoteInterrupt(int signalNumber) {
    g_requested = 1;
    // The next one is not caught: an author who presses Ctrl+C twice wants out now.
    std::signal(signalNumber, SIG_DFL);
}

} // namespace

InterruptWatch::InterruptWatch() {
    g_requested = 0;
    struct sigaction action {};
    action.sa_handler = NoteInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &g_previousInt);
    sigaction(SIGTERM, &action, &g_previousTerm);
}

InterruptWatch::~InterruptWatch() {
    sigaction(SIGINT, &g_previousInt, nullptr);
    sigaction(SIGTERM, &g_previousTerm, nullptr);
}

bool InterruptWatch::Requested() {
    return g_requested != 0;
}

} // namespace vx::cli
