#pragma once
// Signals of the headless service: SIGTERM and SIGINT ask for a confirmed
// exit, SIGUSR1 toggles pause, SIGPIPE is ignored (sockets report EPIPE).
namespace pv::platform {

void InstallServiceSignals();
// True once after SIGTERM or SIGINT arrived.
bool TakeExitRequest();
// Number of SIGUSR1 received since the last call.
int TakePauseToggles();

}  // namespace pv::platform
