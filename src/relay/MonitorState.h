#pragma once
// The flags and times the monitor thread shares with the front end.  Each has
// one writer; the other side polls it.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <mutex>

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

    // The monitor's last action: lets a waiting front end know at once.
    void MarkFinished() {
        {
            std::lock_guard<std::mutex> lock(m_finishMutex);
            finished = true;
        }
        m_finishedChanged.notify_all();
    }
    // Waits up to `limit` for the monitor to finish; true when it has.
    bool WaitFinished(std::chrono::milliseconds limit) {
        std::unique_lock<std::mutex> lock(m_finishMutex);
        return m_finishedChanged.wait_for(lock, limit, [this] { return finished.load(); });
    }

private:
    std::mutex m_finishMutex;
    std::condition_variable m_finishedChanged;
};

}  // namespace pv
