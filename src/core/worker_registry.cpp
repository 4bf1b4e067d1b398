#include "core/worker_registry.h"

#include <algorithm>

namespace quenbo {

WorkerRegistry::~WorkerRegistry()
{
    releaseAll();
}

void WorkerRegistry::add(WorkerEntry entry)
{
    const std::lock_guard lock(m_mutex);
    m_entries.push_back(std::move(entry));
}

void WorkerRegistry::destroyEnded()
{
    std::vector<WorkerEntry> ended;
    {
        const std::lock_guard lock(m_mutex);
        ended.swap(m_ended);
    }
    // The ended workers are destroyed here, outside the lock.
}

void WorkerRegistry::remove(std::uint32_t threadId)
{
    const std::lock_guard lock(m_mutex);
    const auto found =
        std::find_if(m_entries.begin(), m_entries.end(),
                     [threadId](const WorkerEntry &e) { return e.ThreadId == threadId; });
    if (found == m_entries.end())
        return;
    m_ended.push_back(std::move(*found));
    m_entries.erase(found);
}

void WorkerRegistry::releaseAll()
{
    std::vector<WorkerEntry> entries;
    std::vector<WorkerEntry> ended;
    {
        const std::lock_guard lock(m_mutex);
        entries.swap(m_entries);
        ended.swap(m_ended);
    }
    // Every worker is told to stop before any is waited for, so their ends overlap.
    for (WorkerEntry &entry : entries)
        if (entry.Worker)
            entry.Worker->StopWork();
    entries.clear();
}

std::size_t WorkerRegistry::size() const
{
    const std::lock_guard lock(m_mutex);
    return m_entries.size();
}

}  // namespace quenbo
