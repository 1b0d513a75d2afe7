// Threads, reference-counted tasks and the worker pool.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace Zorva::Thread {

// A thread object: Start runs Run on a new thread inside the outer frame; the owner must Join
// before destroying the object (an attached object ends the process when destroyed).
class CThread {
public:
    CThread() = default;
    CThread(const CThread&) = delete;
    CThread& operator=(const CThread&) = delete;
    virtual ~CThread();

    void Start();
    // Waits for the thread to end; does nothing when none is attached. Joining from the thread
    // itself is a deadlock, which ends the process.
    void Join();
    bool Attached() const { return thread_.joinable(); }

protected:
    virtual void Run() = 0;

private:
    static void Entry(CThread* self, std::shared_ptr<std::promise<void>> started);
    std::thread thread_;
};

// Reference-counted root: created with the count 1; the last Release deletes.
class IZorvaUnknown {
public:
    virtual ~IZorvaUnknown() = default;
    void AddRef() { refs_.fetch_add(1); }
    // Returns the count after the release; deletes the object at 0.
    std::uint32_t Release();
    std::uint32_t RefCount() const { return refs_.load(); }

protected:
    std::atomic<std::uint32_t> refs_{1};
};

class ITask : public IZorvaUnknown {
public:
    virtual void Run() = 0;
    // True: the pool drops one reference after running (or dropping) the task.
    virtual bool ReleaseAfterRun() = 0;
};

class CThreadPool {
public:
    explicit CThreadPool(unsigned workers);
    CThreadPool(const CThreadPool&) = delete;
    CThreadPool& operator=(const CThreadPool&) = delete;
    // Stops: queued tasks that no worker has taken are released without running.
    ~CThreadPool();

    // Queues the task; the pool takes over the caller's reference when ReleaseAfterRun is true.
    void Post(ITask* task);

    size_t WorkerCount() const { return workers_.size(); }

    class CWorkerThread : public CThread {
    public:
        explicit CWorkerThread(CThreadPool* pool) : pool_(pool) {}

    protected:
        void Run() override;

    private:
        CThreadPool* pool_;
    };

private:
    static void RunTask(ITask* task);
    static void ReleaseTask(ITask* task);

    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<ITask*> queue_;
    std::vector<std::unique_ptr<CWorkerThread>> workers_;
};

} // namespace Zorva::Thread
