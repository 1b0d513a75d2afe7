// A processor fault ends the process with exit code 1 after marking it as going down.
#include "platform/fault_guard.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <thread>

#include <unistd.h>

namespace Zorva::Platform {
namespace {

std::atomic<bool> g_marked{false};

void Mark()
{
    g_marked.store(true);
    // Visible to the death test's matcher: the flag was set inside the handler.
    const char text[] = "marked\n";
    (void)!::write(2, text, sizeof text - 1);
}

TEST(FaultGuard, AFaultOnAnyThreadEndsWithOne)
{
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL}) {
        EXPECT_EXIT(
            {
                InstallFaultGuard(Mark);
                std::thread([sig] {
                    PrepareThreadForFaults();
                    std::raise(sig);
                }).join();
            },
            testing::ExitedWithCode(1), "marked")
            << sig;
    }
}

// Recursion the compiler cannot see through: the depth limit comes from outside.
volatile int g_limit = 1 << 30;

int Recurse(int depth)
{
    volatile char pad[1024];
    pad[0] = static_cast<char>(depth);
    return depth < g_limit ? Recurse(depth + 1) + pad[0] : 0;
}

TEST(FaultGuard, StackOverflowStillReachesTheGuard)
{
    EXPECT_EXIT(
        {
            InstallFaultGuard(Mark);
            Recurse(0);
        },
        testing::ExitedWithCode(1), "marked");
}

} // namespace
} // namespace Zorva::Platform
