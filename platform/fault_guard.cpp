#include "platform/fault_guard.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace Zorva::Platform {
namespace {

std::atomic<void (*)()> g_onFault{nullptr};

void FaultHandler(int)
{
    if (auto* f = g_onFault.load())
        f();
    ::_exit(1);
}

} // namespace

void InstallFaultGuard(void (*onFault)())
{
    g_onFault.store(onFault);
    PrepareThreadForFaults();
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = FaultHandler;
    sa.sa_flags = SA_ONSTACK;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL})
        ::sigaction(sig, &sa, nullptr);
}

void PrepareThreadForFaults()
{
    // One signal stack per thread, given back when the thread ends.
    struct AltStack {
        char* memory = nullptr;
        AltStack()
        {
            const size_t size = 64 * 1024;
            memory = static_cast<char*>(std::malloc(size));
            if (memory == nullptr)
                return;
            stack_t ss;
            ss.ss_sp = memory;
            ss.ss_size = size;
            ss.ss_flags = 0;
            ::sigaltstack(&ss, nullptr);
        }
        ~AltStack()
        {
            if (memory == nullptr)
                return;
            stack_t ss;
            std::memset(&ss, 0, sizeof ss);
            ss.ss_flags = SS_DISABLE;
            ::sigaltstack(&ss, nullptr);
            std::free(memory);
        }
    };
    static thread_local AltStack stack;
    (void)stack;
}

} // namespace Zorva::Platform
