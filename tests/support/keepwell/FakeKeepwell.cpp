// A stand-in watchdog library: counts the calls so tests can read them back.
#include <atomic>

namespace {
std::atomic<int> g_opens{0}, g_kicks{0}, g_closes{0}, g_lastSeconds{0};
}

extern "C" {
int Keepwell_OpenTimer(long, const char*) { return ++g_opens + 100; }
int Keepwell_SetTimer(int, int seconds) {
    g_lastSeconds = seconds;
    return ++g_kicks;
}
int Keepwell_CloseTimer(int) { return ++g_closes; }
int Keepwell_CreateProcess() { return 0; }
int Keepwell_TerminateProcess() { return 0; }
int FakeKeepwell_Kicks() { return g_kicks; }
int FakeKeepwell_Closes() { return g_closes; }
}
