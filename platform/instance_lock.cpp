#include "platform/instance_lock.h"

#include "platform/folders.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace Zorva::Platform {
namespace {

std::string LockFolder()
{
    if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run != nullptr && *run == '/') {
        struct stat st;
        if (::stat(run, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid())
            return std::string(run) + "/";
    }
    std::string folder = TemporaryFolder() + "glimmerpen-" + std::to_string(::geteuid());
    if (MakePrivateFolder(folder) != 0)
        return {};
    return folder + "/";
}

} // namespace

InstanceLock::~InstanceLock()
{
    Release();
}

bool InstanceLock::Acquire(const std::string& name)
{
    Release();
    const std::string folder = LockFolder();
    if (folder.empty())
        return false;
    const std::string path = folder + name + ".lock";
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

void InstanceLock::Release()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

} // namespace Zorva::Platform
