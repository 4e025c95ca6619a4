#include "document/print_worker.h"

TPrintWorker::~TPrintWorker()
{
    Stop();
}

bool TPrintWorker::Start(Job job)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_running.load())
        return false;
    // An earlier job has returned: collect its thread before the next one starts.
    if (m_thread.joinable())
        m_thread.join();
    m_stop.store(false);
    m_running.store(true);
    try {
        m_thread = std::thread([this, job = std::move(job)] {
            try {
                job(*this);
            } catch (...) {
                // The job reports its own errors; nothing may escape the thread.
            }
            m_running.store(false);
        });
    } catch (...) {
        m_running.store(false);
        throw;
    }
    return true;
}

void TPrintWorker::Join()
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}

void TPrintWorker::Stop()
{
    RequestStop();
    Join();
}
