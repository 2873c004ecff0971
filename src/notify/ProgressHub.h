#pragma once
// Hands every progress event, printed and stamped once, to any number of
// observers.  Any thread may report or add and remove observers; all
// observers see the same lines in the same order, the order they were
// reported in.
#include <atomic>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "notify/ProgressObserver.h"
#include "notify/StatusPrinter.h"
#include "platform/Clock.h"
#include "platform/ProgressEvent.h"

namespace pv {

class ProgressHub {
public:
    explicit ProgressHub(platform::Clock& clock) : m_clock(clock) {}
    ProgressHub(const ProgressHub&) = delete;
    ProgressHub& operator=(const ProgressHub&) = delete;

    // Observers are called in the order they were added; adding one twice
    // changes nothing.  Neither call may come from inside OnProgress.
    void AddObserver(ProgressObserver& observer);
    // Once this returns, the observer is not called again.
    void RemoveObserver(ProgressObserver& observer);

    // Prints the event, stamped now, and hands it to every observer.
    void Publish(const ProgressEvent& event);

private:
    void Deliver(const ProgressEvent& event);
    void DeliverReportedMeanwhile();

    platform::Clock& m_clock;
    const StatusPrinter m_printer{};
    std::mutex m_mutex;  // one event at a time, through every observer
    std::vector<ProgressObserver*> m_observers;
    // The thread delivering an event, and what its observers reported
    // meanwhile (delivered next, in order).
    std::atomic<std::thread::id> m_delivering;
    std::deque<ProgressEvent> m_reportedMeanwhile;
};

}  // namespace pv
