#include "notify/ProgressHub.h"

#include <algorithm>

namespace pv {

void ProgressHub::AddObserver(ProgressObserver& observer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (std::find(m_observers.begin(), m_observers.end(), &observer) == m_observers.end())
        m_observers.push_back(&observer);
}

void ProgressHub::RemoveObserver(ProgressObserver& observer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::erase(m_observers, &observer);
}

// An observer reporting from inside OnProgress already holds the lock on
// this thread: its event waits until the current one has reached everyone.
void ProgressHub::Publish(const ProgressEvent& event) {
    if (m_delivering.load() == std::this_thread::get_id()) {
        m_reportedMeanwhile.push_back(event);
        return;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_delivering = std::this_thread::get_id();
    Deliver(event);
    DeliverReportedMeanwhile();
    m_delivering = std::thread::id();
}

void ProgressHub::Deliver(const ProgressEvent& event) {
    const StatusLine line = m_printer.Print(event, m_clock.NowSeconds());
    for (ProgressObserver* observer : m_observers) observer->OnProgress(event, line);
}

void ProgressHub::DeliverReportedMeanwhile() {
    while (!m_reportedMeanwhile.empty()) {
        const ProgressEvent next = std::move(m_reportedMeanwhile.front());
        m_reportedMeanwhile.pop_front();
        Deliver(next);
    }
}

}  // namespace pv
