#include "core/worker_registry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <random>
#include <thread>

namespace quenbo {
namespace {

struct Counters {
    std::atomic<int> alive{0};
    std::atomic<int> stops{0};
    std::atomic<int> doubleStops{0};
    std::atomic<int> selfRemoved{0};
};

// A worker with a real thread: it spins for a number of steps, then removes itself from the
// registry unless it was stopped. Its destructor joins the thread.
class SpinWorker : public TWorker {
public:
    SpinWorker(WorkerRegistry &registry, std::uint32_t id, int steps, Counters &counters)
        : m_registry(registry)
        , m_id(id)
        , m_steps(steps)
        , m_counters(counters)
    {
        ++m_counters.alive;
    }
    ~SpinWorker() override
    {
        // A quick worker may end, and be released by another adder, before start() has
        // stored its thread: the lock makes the destructor wait for that.
        const std::lock_guard lock(m_starting);
        if (m_thread.joinable())
            m_thread.join();
        --m_counters.alive;
    }
    void start()
    {
        const std::lock_guard lock(m_starting);
        m_thread = std::thread([this] { run(); });
    }
    void StopWork() override
    {
        if (m_stopped.exchange(true))
            ++m_counters.doubleStops;
        ++m_counters.stops;
    }

private:
    void run()
    {
        for (int i = 0; i < m_steps && !m_stopped; ++i)
            std::this_thread::yield();
        if (m_stopped)
            return;
        ++m_counters.selfRemoved;
        m_registry.remove(m_id);
    }

    WorkerRegistry &m_registry;
    std::uint32_t m_id;
    int m_steps;
    Counters &m_counters;
    std::atomic<bool> m_stopped{false};
    std::mutex m_starting;
    std::thread m_thread;
};

TEST(WorkerRegistry, HammeredFromSeveralThreadsEndsWithEveryWorkerReleased)
{
    Counters counters;
    {
        WorkerRegistry registry;
        std::atomic<std::uint32_t> nextId{1};
        std::vector<std::thread> adders;
        for (int a = 0; a < 4; ++a)
            adders.emplace_back([&, a] {
                std::mt19937 random{std::uint32_t(a)};
                for (int i = 0; i < 150; ++i) {
                    const std::uint32_t id = nextId++;
                    auto worker =
                        std::make_unique<SpinWorker>(registry, id, int(random() % 200), counters);
                    SpinWorker *raw = worker.get();
                    registry.add(WorkerEntry{id, std::move(worker)});
                    raw->start();
                    if (i % 10 == 0)
                        registry.remove(id + 100000);  // never registered: no effect
                }
            });
        for (auto &adder : adders)
            adder.join();
        registry.releaseAll();
        EXPECT_EQ(registry.size(), 0u);
        EXPECT_EQ(counters.alive, 0);
    }
    EXPECT_EQ(counters.doubleStops, 0);
    EXPECT_GE(counters.stops + counters.selfRemoved, 600);
}

// A worker whose StopWork waits for its thread, and whose thread removes itself from the
// registry only once StopWork has begun: the registry must not hold its lock meanwhile.
class JoiningWorker : public TWorker {
public:
    explicit JoiningWorker(WorkerRegistry &registry, std::uint32_t id)
    {
        m_thread = std::thread([this, &registry, id] {
            while (!m_stopping)
                std::this_thread::yield();
            registry.remove(id);
        });
    }
    ~JoiningWorker() override
    {
        if (m_thread.joinable())
            m_thread.join();
    }
    void StopWork() override
    {
        m_stopping = true;
        m_thread.join();
    }

private:
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};

TEST(WorkerRegistry, StopWorkMayWaitForAThreadThatRemovesItself)
{
    WorkerRegistry registry;
    for (std::uint32_t id = 1; id <= 3; ++id)
        registry.add({id, std::make_unique<JoiningWorker>(registry, id)});
    registry.releaseAll();
    EXPECT_EQ(registry.size(), 0u);
}

class RecordingWorker : public TWorker {
public:
    RecordingWorker(std::vector<int> &log, int name)
        : m_log(log)
        , m_name(name)
    {
    }
    ~RecordingWorker() override { m_log.push_back(-m_name); }
    void StopWork() override { m_log.push_back(m_name); }

private:
    std::vector<int> &m_log;
    int m_name;
};

TEST(WorkerRegistry, RemovesTheFirstEntryOfAnIdAndStopsTheRestInOrder)
{
    std::vector<int> log;
    WorkerRegistry registry;
    registry.add({7, std::make_unique<RecordingWorker>(log, 1)});
    registry.add({7, std::make_unique<RecordingWorker>(log, 2)});
    registry.add({8, std::make_unique<RecordingWorker>(log, 3)});

    registry.remove(9);
    EXPECT_EQ(registry.size(), 3u);
    registry.remove(7);
    EXPECT_EQ(registry.size(), 2u);
    // A removed worker is never stopped, and is released off its own thread later: not by the
    // next add, which a page load makes, but when its owner asks.
    registry.add({9, std::make_unique<RecordingWorker>(log, 4)});
    EXPECT_TRUE(log.empty());
    registry.destroyEnded();
    EXPECT_EQ(log, (std::vector<int>{-1}));

    // Every worker is told to stop, in order, before any is released, so that their waits
    // overlap at shutdown.
    registry.releaseAll();
    EXPECT_EQ(log, (std::vector<int>{-1, 2, 3, 4, -2, -3, -4}));
    EXPECT_EQ(registry.size(), 0u);
}

}  // namespace
}  // namespace quenbo
