#pragma once
// Keeps a long conversion near a share of one processor: after each busy
// period the caller pauses for a time in proportion to it.  Share 50 sleeps
// as long as it worked; share 100 hardly sleeps at all.
#include <chrono>

#include "platform/Clock.h"

namespace pv::audio {

class ProcessorThrottle {
public:
    explicit ProcessorThrottle(platform::Clock& clock, int sharePercent = 50) : m_clock(clock) { SetShare(sharePercent); }

    // Shares below 1 count as 1.  The sleep factor is 100000 / share - 1000,
    // or 1 when 100000 / share is at most 1000.
    void SetShare(int percent);
    int SleepFactor() const { return m_factor; }

    void StartBusy() { m_busySince = m_clock.Steady(); }
    // Sleeps busy microseconds x factor / 1000000 milliseconds, when that is
    // not 0.
    void Pause();

private:
    platform::Clock& m_clock;
    int m_factor = 1000;
    std::chrono::steady_clock::time_point m_busySince{};
};

}  // namespace pv::audio
