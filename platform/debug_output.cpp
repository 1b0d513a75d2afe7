#include "platform/debug_output.h"

#include <unistd.h>

namespace Zorva::Platform {

void DebugOutput(std::string_view utf8)
{
    // One write call, so lines from several threads do not interleave.
    const char* p = utf8.data();
    size_t left = utf8.size();
    while (left > 0) {
        const ssize_t n = ::write(STDERR_FILENO, p, left);
        if (n <= 0)
            return;
        p += n;
        left -= static_cast<size_t>(n);
    }
}

} // namespace Zorva::Platform
