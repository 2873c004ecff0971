#include "platform/Signals.h"

#include <atomic>
#include <csignal>

namespace pv::platform {

namespace {

std::atomic<int> g_exitRequests{0};
std::atomic<int> g_pauseToggles{0};
static_assert(std::atomic<int>::is_always_lock_free, "signal handlers need lock-free atomics");

void OnExitSignal(int) { g_exitRequests.fetch_add(1); }
void OnPauseSignal(int) { g_pauseToggles.fetch_add(1); }

void Install(int signal, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, nullptr);
}

}  // namespace

void InstallServiceSignals() {
    Install(SIGTERM, OnExitSignal);
    Install(SIGINT, OnExitSignal);
    Install(SIGUSR1, OnPauseSignal);
    Install(SIGPIPE, SIG_IGN);
}

bool TakeExitRequest() { return g_exitRequests.exchange(0) > 0; }

int TakePauseToggles() { return g_pauseToggles.exchange(0); }

}  // namespace pv::platform
