#pragma once

#include <atomic>
#include <functional>

namespace kv {

// How far a piece of long work has come, shared between the thread doing it and the window
// showing it. The work reports its steps and stops, leaving nothing half-made, once advance()
// answers false: the user asked to stop.
class WorkProgress {
public:
    void setTotal(int total) { m_total.store(total); }
    int total() const { return m_total.load(); }
    int done() const { return m_done.load(); }

    // `done` steps of the total are finished. Returns false when the work is to stop.
    bool advance(int done)
    {
        m_done.store(done);
        if (const auto& watch = watcher())
            watch(*this);
        return !cancelled();
    }

    void cancel() { m_cancelled.store(true); }
    bool cancelled() const { return m_cancelled.load(); }

    // For tests: called on the working thread at every step, e.g. to stop the work half-way.
    static std::function<void(WorkProgress&)>& watcher()
    {
        static std::function<void(WorkProgress&)> w;
        return w;
    }

private:
    std::atomic<int> m_total{0};
    std::atomic<int> m_done{0};
    std::atomic<bool> m_cancelled{false};
};

} // namespace kv
