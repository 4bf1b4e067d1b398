#include "core/worker_slots.h"

#include <algorithm>

namespace quenbo {

WorkerSlots::WorkerSlots(std::size_t cap)
    : m_cap(std::max<std::size_t>(cap, 1))
{
}

void WorkerSlots::request(const void *owner, Starter start)
{
    const std::lock_guard lock(m_mutex);
    if (m_running == m_cap) {
        m_line.push_back({owner, std::move(start)});
        return;
    }
    ++m_running;
    m_peak = std::max(m_peak, m_running);
    start();
}

bool WorkerSlots::cancel(const void *owner)
{
    const std::lock_guard lock(m_mutex);
    const auto found = std::find_if(m_line.begin(), m_line.end(),
                                    [owner](const Waiting &w) { return w.owner == owner; });
    if (found == m_line.end())
        return false;
    m_line.erase(found);
    return true;
}

void WorkerSlots::finished()
{
    const std::lock_guard lock(m_mutex);
    if (m_line.empty()) {
        --m_running;
        return;
    }
    // The ending thread's slot passes straight to the first in line.
    const Starter start = std::move(m_line.front().start);
    m_line.pop_front();
    start();
}

std::size_t WorkerSlots::running() const
{
    const std::lock_guard lock(m_mutex);
    return m_running;
}

std::size_t WorkerSlots::peak() const
{
    const std::lock_guard lock(m_mutex);
    return m_peak;
}

}  // namespace quenbo
