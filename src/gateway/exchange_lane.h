#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace quenbo {

// One thread that runs blocking exchanges one after another, in the order they were handed
// in, so that the thread that hands them in never waits on the network. Each exchange gets a
// cancel flag of its own, which the exchange passes to its HTTP client so that a transfer in
// flight ends within the client's abort poll. Any thread may submit and cancel.
class ExchangeLane {
public:
    using CancelFlag = std::shared_ptr<std::atomic<bool>>;
    // Runs on the lane's thread. *cancelled may be set at any moment; the job then ends soon
    // and hands nothing on.
    using Job = std::function<void(const CancelFlag &cancelled)>;

    ExchangeLane();
    // Cancels the exchange in flight and every queued one, then waits for the thread. Queued
    // jobs never run.
    ~ExchangeLane();
    ExchangeLane(const ExchangeLane &) = delete;
    ExchangeLane &operator=(const ExchangeLane &) = delete;

    // Queues job behind the others; setting the returned flag cancels it.
    CancelFlag submit(Job job);

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::pair<Job, CancelFlag>> m_queue;
    CancelFlag m_current;
    bool m_stopping = false;
    std::thread m_thread;
};

}  // namespace quenbo
