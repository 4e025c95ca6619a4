#pragma once
// The worker thread of a print job. Stopping is cooperative: the job polls StopRequested()
// between its steps and returns early; its owner asks it to stop and joins it. A thread is
// never killed, so the printer, the temporary files and the job's memory are always released
// by the job itself.
//
// A job must never wait for the UI thread once a stop was requested (a blocking call into the
// UI thread while the UI thread joins would never return): it hands its results over with
// posted messages only.
#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

class TPrintWorker {
public:
    using Job = std::function<void(TPrintWorker& worker)>;

    TPrintWorker() = default;
    // Stops and joins a job that still runs.
    ~TPrintWorker();
    TPrintWorker(const TPrintWorker&) = delete;
    TPrintWorker& operator=(const TPrintWorker&) = delete;

    // Runs job on a new thread. False (and nothing started) while an earlier job still runs.
    // An exception leaving the job ends it; it never leaves the thread.
    bool Start(Job job);
    // Started and not yet returned.
    bool Running() const { return m_running.load(); }
    // Asks the job to end at its next check; returns at once.
    void RequestStop() { m_stop.store(true); }
    bool StopRequested() const { return m_stop.load(); }
    // Waits until the thread has ended (nothing when none was started). Never call it from
    // the job itself.
    void Join();
    // RequestStop, then Join.
    void Stop();

private:
    std::thread m_thread;
    std::mutex m_lock;   // guards m_thread between Start, Join and Stop
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_running{false};
};
