#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace quenbo {

// A background worker as the registry sees it.
//
// Lifetime contract: the registry owns the worker and destroys it only on a thread that calls
// add(), destroyEnded() or releaseAll(), never on the worker's own thread. A worker that ends
// by itself calls remove() with its id as its last use of the registry and then only returns
// from its thread function, so its destructor may join that thread. Since destroyEnded()
// destroys the workers that have ended, a worker that can end before its starter has finished
// starting it must be started on the thread that calls destroyEnded() (the GUI thread), or its
// destructor must wait for the start to complete.
class TWorker {
public:
    virtual ~TWorker() = default;
    // Asks the worker to stop; called at most once, by releaseAll(). It runs outside the
    // registry's lock, so it may wait for the worker's thread even while that thread calls
    // remove().
    virtual void StopWork() = 0;
};

struct WorkerEntry {
    std::uint32_t ThreadId = 0;
    std::unique_ptr<TWorker> Worker;
};

// The registry of running workers. add(), remove() and releaseAll() are serialised by one
// mutex; a worker's StopWork and destructor always run outside it, so a worker that calls
// remove() while it is being stopped cannot deadlock the registry.
class WorkerRegistry {
public:
    WorkerRegistry() = default;
    ~WorkerRegistry();
    WorkerRegistry(const WorkerRegistry &) = delete;
    WorkerRegistry &operator=(const WorkerRegistry &) = delete;

    // Registers the entry, which the registry owns from then on.
    void add(WorkerEntry entry);
    // Takes the first entry with this thread id out of the registry; its worker is destroyed
    // later by destroyEnded() or releaseAll(). Nothing when no entry has the id. Any thread.
    void remove(std::uint32_t threadId);
    // Destroys the workers that have removed themselves since the last call, joining their
    // threads. Kept apart from add() so that a page load does not wait for the last page's
    // workers: the caller runs it once the new page is shown.
    void destroyEnded();
    // Stops every registered worker (StopWork), from the first, then destroys them in the same
    // order, so that their threads wind down together; then destroys the workers that removed
    // themselves.
    void releaseAll();

    // The number of registered entries.
    std::size_t size() const;

private:
    mutable std::mutex m_mutex;
    std::vector<WorkerEntry> m_entries;
    std::vector<WorkerEntry> m_ended;  // removed, waiting to be destroyed off their thread
};

}  // namespace quenbo
