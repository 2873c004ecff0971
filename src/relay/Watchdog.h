#pragma once
// The optional outside watchdog: a shared library that must be kicked
// regularly while passes keep ending (and ending without fatal errors).
#include <ctime>
#include <string>

#include "platform/DynamicLibrary.h"
#include "platform/Reporter.h"

namespace pv {

struct WatchdogSettings {
    int delaySeconds = 0;               // "Delay-In-Seconds": kick period; 0 = off
    int timeoutSeconds = 30;            // "Timeout-In-Seconds"; 0 = off
    int fatalErrorTimeoutMinutes = 30;  // "Fatal-Error-Timeout-In-Minutes"
    std::string library;                // shared library exporting the Keepwell_ functions
};

class Watchdog {
public:
    static constexpr int kTicksPerSecond = 4;  // the front end ticks every 250 ms
    static constexpr long kStalled = -999999;

    Watchdog() = default;
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    // Loads the library and opens a timer for this process.  Stays off (false)
    // when the settings turn it off or the library or any of its five
    // functions is missing.
    bool Open(const WatchdogSettings& settings, long processId, const std::string& name, Reporter& reporter);
    // One front-end tick: kicks every delay seconds while passes are not stalled.
    void Tick(std::time_t now, std::time_t lastPassEnd, std::time_t lastGoodPassEnd);
    void Close();

    bool Loaded() const { return m_loaded; }
    long KickCounter() const { return m_kickCounter; }

private:
    using OpenTimerFn = int (*)(long, const char*);
    using SetTimerFn = int (*)(int, int);
    using CloseTimerFn = int (*)(int);

    platform::DynamicLibrary m_library;
    WatchdogSettings m_settings;
    OpenTimerFn m_openTimer = nullptr;
    SetTimerFn m_setTimer = nullptr;
    CloseTimerFn m_closeTimer = nullptr;
    bool m_loaded = false;
    int m_handle = 0;
    long m_kickPeriod = 0;
    long m_kickCounter = 99999999;
};

}  // namespace pv
