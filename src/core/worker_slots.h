#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

namespace quenbo {

// Caps how many download workers' threads run at once, so that an answer of many containers
// cannot start a thread and a connection for each. A worker asks for a slot when it is
// started: it starts at once while fewer than the cap run, otherwise it waits in line and is
// started by the thread of a worker that ends. Any thread.
class WorkerSlots {
public:
    // Starts the worker's thread. Runs under the slots' lock, on the thread that asked or on
    // the thread of a worker that ended; it must only start the thread.
    using Starter = std::function<void()>;

    explicit WorkerSlots(std::size_t cap);

    // Starts owner now when a slot is free, else queues it behind the others.
    void request(const void *owner, Starter start);
    // Takes owner's request out of the line; true when it was waiting there (it never starts
    // then). After this call no thread starts owner any more.
    bool cancel(const void *owner);
    // Called by a worker's thread as its last step: frees its slot and starts the first
    // worker in line, if any.
    void finished();

    // How many worker threads run, and the most that ever ran at once.
    std::size_t running() const;
    std::size_t peak() const;

private:
    struct Waiting {
        const void *owner;
        Starter start;
    };

    const std::size_t m_cap;
    mutable std::mutex m_mutex;
    std::deque<Waiting> m_line;
    std::size_t m_running = 0;
    std::size_t m_peak = 0;
};

}  // namespace quenbo
