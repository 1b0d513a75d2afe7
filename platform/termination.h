// Termination requests from the system (SIGTERM, SIGINT, SIGHUP): remembered from the start of the
// process, so a shutdown that comes while the program is still starting is never lost and never
// kills it before its colours are saved.
#pragma once

namespace Zorva::Platform {

// Installs the handlers; the first thing the program does.
void CatchTermination();
bool TerminationRequested();

} // namespace Zorva::Platform
