#include "platform/raw_file.h"

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Zorva::Platform {
namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // Closes now, reporting the result (a deferred write error can show up only here).
    int Close()
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0 ? 0 : errno;
    }

private:
    int fd_;
};

int WriteAll(int fd, const std::uint8_t* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return EIO;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return 0;
}

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

int ReadFileBytes(const std::string& path, std::uint8_t* out, std::size_t size)
{
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        return errno;
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd.get(), out + done, size - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return EIO;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

int ReplaceFileContents(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    const std::string folder = FolderOf(path);
    // The temporary name shares nothing with the target's, so a leftover of a crash is never
    // taken for the file itself (nor for anything a listing by pattern would pick up).
    const size_t slash = path.rfind('/');
    std::string temp = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + ".saving-XXXXXX";
    Descriptor fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (fd.get() < 0)
        return errno;
    int rc = WriteAll(fd.get(), data, size);
    if (rc == 0 && ::fsync(fd.get()) != 0)
        rc = errno;
    if (const int closed = fd.Close(); rc == 0)
        rc = closed;
    if (rc == 0 && ::rename(temp.c_str(), path.c_str()) != 0)
        rc = errno;
    if (rc != 0) {
        ::unlink(temp.c_str());
        return rc;
    }
    // The rename itself must reach the disk, or a crash can bring back the old name's contents.
    Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        ::fsync(dir.get());
    return 0;
}

int RemoveFile(const std::string& path)
{
    return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

bool IsRegularFile(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int ListFolder(const std::string& folder, std::vector<FolderEntry>& entries, int& readError)
{
    entries.clear();
    readError = 0;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return errno;
    const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr) {
            readError = errno;
            break;
        }
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        FolderEntry e;
        e.name = name;
        struct stat st {};
        if (::stat((prefix + name).c_str(), &st) == 0) {
            e.isFolder = S_ISDIR(st.st_mode);
            e.size = static_cast<std::uint64_t>(st.st_size);
        } else if (entry->d_type == DT_DIR) {
            e.isFolder = true;
        }
        entries.push_back(std::move(e));
    }
    ::closedir(dir);
    return 0;
}

} // namespace Zorva::Platform
