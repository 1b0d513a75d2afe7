#include "platform/folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>

namespace Zorva::Platform {
namespace {

std::string WithSlash(std::string path)
{
    if (path.empty() || path.back() != '/')
        path.push_back('/');
    return path;
}

std::string Env(const char* name)
{
    const char* v = std::getenv(name);
    return v != nullptr ? std::string(v) : std::string();
}

// One value of user-dirs.dirs: XDG_DOCUMENTS_DIR="$HOME/Documents". Only "$HOME/..." and
// absolute paths are valid there.
std::string ReadUserDir(const std::string& configFolder, const std::string& home, std::string_view key)
{
    std::ifstream in(configFolder + "user-dirs.dirs");
    std::string line;
    while (std::getline(in, line)) {
        if (!line.starts_with(key) || line.size() <= key.size() || line[key.size()] != '=')
            continue;
        std::string value = line.substr(key.size() + 1);
        if (value.size() < 2 || value.front() != '"' || value.back() != '"')
            return {};
        value = value.substr(1, value.size() - 2);
        if (value.starts_with("$HOME"))
            value = home.substr(0, home.size() - 1) + value.substr(5);
        if (value.empty() || value.front() != '/')
            return {};
        // "$HOME/" alone means the user has no documents folder of their own.
        if (WithSlash(value) == home)
            return {};
        return value;
    }
    return {};
}

} // namespace

std::string HomeFolder()
{
    std::string home = Env("HOME");
    if (home.empty()) {
        if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr)
            home = pw->pw_dir;
    }
    if (home.empty()) {
        errno = ENOENT;
        return {};
    }
    return WithSlash(home);
}

std::string DocumentsFolder()
{
    const std::string home = HomeFolder();
    if (home.empty())
        return {};
    std::string docs = Env("XDG_DOCUMENTS_DIR");
    if (docs.empty() || docs.front() != '/')
        docs = ReadUserDir(UserConfigFolder(), home, "XDG_DOCUMENTS_DIR");
    if (docs.empty())
        docs = home + "Documents";
    return WithSlash(docs);
}

std::string TemporaryFolder()
{
    std::string tmp = Env("TMPDIR");
    if (tmp.empty())
        tmp = "/tmp";
    return WithSlash(tmp);
}

std::string UserConfigFolder()
{
    std::string config = Env("XDG_CONFIG_HOME");
    if (config.empty() || config.front() != '/') {
        const std::string home = HomeFolder();
        if (home.empty())
            return {};
        config = home + ".config";
    }
    return WithSlash(config);
}

std::string MachineConfigFolder()
{
    std::string dirs = Env("XDG_CONFIG_DIRS");
    std::string first = dirs.substr(0, dirs.find(':'));
    if (first.empty() || first.front() != '/')
        first = "/etc/xdg";
    return WithSlash(first);
}

int MakeFolder(const std::string& path)
{
    return ::mkdir(path.c_str(), 0777) == 0 ? 0 : errno;
}

int MakeFolderTree(const std::string& path)
{
    for (size_t slash = path.find('/', 1); ; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (!part.empty() && ::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST)
            return errno;
        if (slash == std::string::npos)
            break;
    }
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

int MakePrivateFolder(const std::string& folder)
{
    // Without a trailing slash, so lstat looks at a link itself rather than its target.
    std::string path = folder;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    if (::mkdir(path.c_str(), 0700) == 0)
        return 0;
    if (errno != EEXIST)
        return errno;
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return errno;
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() || (st.st_mode & 077) != 0)
        return EEXIST;
    return 0;
}

} // namespace Zorva::Platform
