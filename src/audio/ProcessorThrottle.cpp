#include "audio/ProcessorThrottle.h"

namespace pv::audio {

void ProcessorThrottle::SetShare(int percent) {
    if (percent < 1) percent = 1;
    const int scaled = 100000 / percent;
    m_factor = scaled <= 1000 ? 1 : scaled - 1000;
}

void ProcessorThrottle::Pause() {
    const auto busy = std::chrono::duration_cast<std::chrono::microseconds>(m_clock.Steady() - m_busySince).count();
    const long long sleepMs = static_cast<long long>(busy) * m_factor / 1000000;
    if (sleepMs > 0) m_clock.SleepFor(std::chrono::milliseconds(sleepMs));
}

}  // namespace pv::audio
