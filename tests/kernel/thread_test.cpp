// The worker pool, tasks with reference counts, and threads.
#include "kernel/exceptions.h"
#include "kernel/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <stdexcept>

namespace Zorva::Thread {
namespace {

struct Counters {
    std::atomic<int> runs{0};
    std::atomic<int> deletes{0};
};

class CountingTask : public ITask {
public:
    CountingTask(Counters& c, bool releaseAfterRun, bool throws = false)
        : c_(c), releaseAfterRun_(releaseAfterRun), throws_(throws)
    {
    }
    ~CountingTask() override { ++c_.deletes; }
    void Run() override
    {
        ++c_.runs;
        if (throws_)
            throw std::runtime_error("task failed");
    }
    bool ReleaseAfterRun() override { return releaseAfterRun_; }

private:
    Counters& c_;
    bool releaseAfterRun_;
    bool throws_;
};

// Holds every worker until released, so tasks stay queued.
class BlockingTask : public ITask {
public:
    void Run() override
    {
        std::unique_lock lock(m);
        ++started;
        cv.notify_all();
        cv.wait(lock, [this] { return open; });
    }
    bool ReleaseAfterRun() override { return false; }
    void WaitStarted(int n)
    {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return started >= n; });
    }
    void Open()
    {
        std::lock_guard lock(m);
        open = true;
        cv.notify_all();
    }
    std::mutex m;
    std::condition_variable cv;
    int started = 0;
    bool open = false;
};

TEST(ThreadPool, RunsEveryTaskAndReleasesThoseItOwns)
{
    Counters c;
    {
        CThreadPool pool(6);
        EXPECT_EQ(pool.WorkerCount(), 6u);
        for (int i = 0; i < 200; ++i)
            pool.Post(new CountingTask(c, true));
        while (c.deletes.load() < 200)
            std::this_thread::yield();
    }
    EXPECT_EQ(c.runs, 200);
    EXPECT_EQ(c.deletes, 200);
}

TEST(ThreadPool, DestroyedWithQueuedTasksRunsNoneAndDeletesTheOwnedOnes)
{
    Counters c;
    BlockingTask blocker;
    CountingTask kept(c, false);
    auto pool = std::make_unique<CThreadPool>(2);
    pool->Post(&blocker);
    pool->Post(&blocker);
    blocker.WaitStarted(2);
    auto* shared = new CountingTask(c, true);
    shared->AddRef(); // someone else holds a reference too
    pool->Post(shared);
    pool->Post(new CountingTask(c, true));
    pool->Post(&kept);
    std::thread opener([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        blocker.Open();
    });
    // The stop flag is set before the workers are let go, so the queued tasks stay queued.
    pool.reset();
    opener.join();
    EXPECT_EQ(c.runs, 0);
    EXPECT_EQ(c.deletes, 1); // the one held elsewhere survives with one reference
    EXPECT_EQ(shared->RefCount(), 1u);
    shared->Release();
    EXPECT_EQ(c.deletes, 2);
}

TEST(ThreadPool, TaskPostedAfterAReportIsDeletedWithoutRunning)
{
    Counters c;
    CThreadPool pool(1);
    ReportException(4, 0, E_FAIL, u"x", u"y");
    pool.Post(new CountingTask(c, true));
    while (c.deletes.load() < 1)
        std::this_thread::yield();
    EXPECT_EQ(c.runs, 0);
}

TEST(ThreadPool, ATaskThatIsNotReleasedCanBePostedAgain)
{
    Counters c;
    CountingTask searcherLike(c, false);
    CThreadPool pool(2);
    for (int round = 1; round <= 3; ++round) {
        pool.Post(&searcherLike);
        while (c.runs.load() < round)
            std::this_thread::yield();
    }
    EXPECT_EQ(c.deletes, 0);
    EXPECT_EQ(searcherLike.RefCount(), 1u);
}

class Body : public CThread {
public:
    std::function<void()> run;

protected:
    void Run() override { run(); }
};

TEST(Thread, JoinWithoutStartDoesNothingAndExceptionsStayInTheThread)
{
    Body never;
    never.Join();
    EXPECT_FALSE(never.Attached());

    Body failing;
    failing.run = [] { throw std::runtime_error("thread body failed"); };
    failing.Start();
    failing.Join();
    EXPECT_FALSE(failing.Attached());
    EXPECT_TRUE(ErrorReported.load());
}

TEST(Thread, JoiningItselfEndsTheProcess)
{
    EXPECT_EXIT(
        {
            Body self;
            self.run = [&self] { self.Join(); };
            self.Start();
            std::this_thread::sleep_for(std::chrono::seconds(5));
            std::_Exit(0);
        },
        testing::ExitedWithCode(1), "");
}

} // namespace
} // namespace Zorva::Thread
