#pragma once
// The flags and times the monitor thread shares with the front end.  Each has
// one writer; the other side polls it.
#include <atomic>
#include <ctime>

namespace pv {

struct MonitorState {
    std::atomic<bool> exit{false};
    std::atomic<bool> pause{false};
    std::atomic<bool> finished{false};

    std::atomic<bool> once{false};
    std::atomic<bool> twice{false};
    std::atomic<bool> noDelay{false};
    std::atomic<bool> dontMakeDirs{false};

    std::atomic<int> delaySeconds{5};  // at least 1
    std::atomic<int> currentRouteIndex{0};
    std::atomic<bool> passHadFatalError{false};
    std::atomic<std::time_t> lastPassEnd{0};
    std::atomic<std::time_t> lastGoodPassEnd{0};
    std::atomic<int> lastHour{25};  // 25 before the first pass, -1 after a failed conversion
    std::atomic<bool> newHour{false};
    std::atomic<int> passCount{0};
};

}  // namespace pv
