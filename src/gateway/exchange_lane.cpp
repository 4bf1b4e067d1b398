#include "gateway/exchange_lane.h"

namespace quenbo {

ExchangeLane::ExchangeLane()
    : m_thread([this] { run(); })
{
}

ExchangeLane::~ExchangeLane()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
        if (m_current)
            m_current->store(true);
        for (auto &[job, cancelled] : m_queue)
            cancelled->store(true);
        m_queue.clear();
    }
    m_wake.notify_all();
    m_thread.join();
}

ExchangeLane::CancelFlag ExchangeLane::submit(Job job)
{
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    {
        const std::lock_guard lock(m_mutex);
        m_queue.emplace_back(std::move(job), cancelled);
    }
    m_wake.notify_one();
    return cancelled;
}

void ExchangeLane::run()
{
    for (;;) {
        Job job;
        CancelFlag cancelled;
        {
            std::unique_lock lock(m_mutex);
            m_current.reset();
            m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
            if (m_stopping)
                return;
            std::tie(job, cancelled) = std::move(m_queue.front());
            m_queue.pop_front();
            m_current = cancelled;
        }
        try {
            job(cancelled);
        } catch (...) {
            // A job reports its own failures; one that escapes (out of memory) ends only the
            // job, never the lane.
        }
    }
}

}  // namespace quenbo
