#include "kernel/thread.h"

#include "kernel/exceptions.h"
#include "platform/fault_guard.h"

#include <stdexcept>
#include <system_error>

namespace Zorva::Thread {

CThread::~CThread()
{
    if (thread_.joinable())
        std::terminate();
}

void CThread::Start()
{
    if (thread_.joinable())
        throw std::system_error(std::make_error_code(std::errc::device_or_resource_busy), "thread already started");
    // The new thread waits until the handle is stored, so its body may join or ask about itself.
    auto started = std::make_shared<std::promise<void>>();
    thread_ = std::thread(&CThread::Entry, this, started);
    started->set_value();
}

void CThread::Entry(CThread* self, std::shared_ptr<std::promise<void>> started)
{
    started->get_future().wait();
    // Processor faults on this thread reach the process-wide guard, which ends the process.
    Platform::PrepareThreadForFaults();
    OuterFrame([self] { self->Run(); });
}

void CThread::Join()
{
    OuterFrame([this] {
        try {
            if (!thread_.joinable())
                return;
            if (thread_.get_id() == std::this_thread::get_id())
                throw std::system_error(std::make_error_code(std::errc::resource_deadlock_would_occur), "join self");
            thread_.join();
        } catch (const std::invalid_argument&) {
        }
    });
}

std::uint32_t IZorvaUnknown::Release()
{
    const std::uint32_t left = refs_.fetch_sub(1) - 1;
    if (left == 0)
        delete this;
    return left;
}

CThreadPool::CThreadPool(unsigned workers)
{
    workers_.reserve(workers);
    try {
        for (unsigned i = 0; i < workers; ++i) {
            workers_.push_back(std::make_unique<CWorkerThread>(this));
            workers_.back()->Start();
        }
    } catch (...) {
        {
            std::lock_guard lock(mutex_);
            stop_.exchange(true);
        }
        wake_.notify_all();
        for (auto& w : workers_)
            w->Join();
        throw;
    }
}

CThreadPool::~CThreadPool()
{
    {
        std::lock_guard lock(mutex_);
        stop_.exchange(true);
    }
    wake_.notify_all();
    for (auto& w : workers_)
        w->Join();
    std::deque<ITask*> left;
    {
        std::lock_guard lock(mutex_);
        left.swap(queue_);
    }
    for (ITask* task : left)
        ReleaseTask(task);
}

void CThreadPool::Post(ITask* task)
{
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(task);
    }
    wake_.notify_one();
}

void CThreadPool::ReleaseTask(ITask* task)
{
    if (task->ReleaseAfterRun())
        task->Release();
}

void CThreadPool::RunTask(ITask* task)
{
    OuterFrame([task] {
        if (KeepWorking())
            task->Run();
    });
    OuterFrame([task] { ReleaseTask(task); });
}

void CThreadPool::CWorkerThread::Run()
{
    for (;;) {
        ITask* task = nullptr;
        {
            std::unique_lock lock(pool_->mutex_);
            pool_->wake_.wait(lock, [this] { return !pool_->queue_.empty() || pool_->stop_.load(); });
            if (pool_->stop_.load())
                return;
            task = pool_->queue_.front();
            pool_->queue_.pop_front();
        }
        RunTask(task);
    }
}

} // namespace Zorva::Thread
