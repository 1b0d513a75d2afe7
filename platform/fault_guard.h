// The guard against processor faults (segmentation fault, bus error, illegal instruction,
// arithmetic fault): the process marks itself as going down and ends with exit code 1 at once.
#pragma once

namespace Zorva::Platform {

// `onFault` runs inside the signal handler, so it may only do async-signal-safe work
// (setting a lock-free atomic flag is fine).
void InstallFaultGuard(void (*onFault)());

// Gives the calling thread its own signal stack, so a stack overflow still reaches the guard.
void PrepareThreadForFaults();

} // namespace Zorva::Platform
