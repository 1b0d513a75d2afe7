// The single-instance lock: one running copy per user, held as an exclusive lock on a file.
#pragma once

#include <string>

namespace Zorva::Platform {

class InstanceLock {
public:
    InstanceLock() = default;
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    ~InstanceLock();

    // Takes the lock named `name` in $XDG_RUNTIME_DIR (or a private per-user folder under /tmp).
    // False when another process holds it or it cannot be made.
    bool Acquire(const std::string& name);
    void Release();

private:
    int fd_ = -1;
};

} // namespace Zorva::Platform
