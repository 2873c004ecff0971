#include "relay/Watchdog.h"

namespace pv {

namespace {
constexpr const char* kFunctions[] = {"Keepwell_OpenTimer", "Keepwell_SetTimer", "Keepwell_CloseTimer",
                                      "Keepwell_CreateProcess", "Keepwell_TerminateProcess"};
}

Watchdog::~Watchdog() { Close(); }

bool Watchdog::Open(const WatchdogSettings& settings, long processId, const std::string& name, Reporter& reporter) {
    m_settings = settings;
    if (settings.delaySeconds == 0 || settings.timeoutSeconds == 0) return false;
    std::string error;
    if (!m_library.Load(settings.library, &error)) {
        reporter.Trace("Watchdog library not loaded: " + error);
        return false;
    }
    for (const char* function : kFunctions) {
        if (!m_library.Symbol(function)) {
            reporter.Trace(std::string("Watchdog library lacks ") + function);
            return false;
        }
    }
    m_openTimer = reinterpret_cast<OpenTimerFn>(m_library.Symbol("Keepwell_OpenTimer"));
    m_setTimer = reinterpret_cast<SetTimerFn>(m_library.Symbol("Keepwell_SetTimer"));
    m_closeTimer = reinterpret_cast<CloseTimerFn>(m_library.Symbol("Keepwell_CloseTimer"));
    m_kickPeriod = static_cast<long>(settings.delaySeconds) * kTicksPerSecond;
    m_kickCounter = 99999999;
    m_handle = m_openTimer(processId, name.c_str());
    m_loaded = true;
    return true;
}

// While a stall condition holds, the counter is forced back every tick, so
// the watchdog is no longer kicked and its own time-out acts.
void Watchdog::Tick(std::time_t now, std::time_t lastPassEnd, std::time_t lastGoodPassEnd) {
    if (!m_loaded) return;
    const long long minutesSincePass = (now - lastPassEnd) / 60;
    if (minutesSincePass > 60LL * m_settings.timeoutSeconds) m_kickCounter = kStalled;
    const long long minutesSinceGoodPass = (now - lastGoodPassEnd) / 60;
    if (minutesSinceGoodPass > m_settings.fatalErrorTimeoutMinutes) m_kickCounter = kStalled;
    if (++m_kickCounter >= m_kickPeriod) {
        m_setTimer(m_handle, m_settings.timeoutSeconds);
        m_kickCounter = 0;
    }
}

void Watchdog::Close() {
    if (!m_loaded) return;
    m_closeTimer(m_handle);
    m_loaded = false;
}

}  // namespace pv
