// Entry of Book.
#include "app/application.h"

#include "kernel/exceptions.h"
#include "platform/fault_guard.h"
#include "platform/termination.h"

int main(int argc, char** argv)
{
    // A processor fault anywhere marks the program as going down and ends it with exit code 1.
    Zorva::Platform::InstallFaultGuard([] { Zorva::QuitRequested.store(true); });
    Zorva::Platform::CatchTermination();
    return Zorva::App::ApplicationMain(argc, argv);
}
