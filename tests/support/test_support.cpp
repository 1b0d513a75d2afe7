#include "tests/support/test_support.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace Zorva::Testing {
namespace fs = std::filesystem;

TempFolder::TempFolder()
{
    std::string pattern = (fs::temp_directory_path() / "glimmerpen-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempFolder::~TempFolder()
{
    std::error_code ec;
    fs::remove_all(path_, ec);
}

PrivateHome::PrivateHome()
{
    for (const fs::path& p : {Home(), Config(), Machine(), Runtime(), Temp()})
        fs::create_directories(p);
    ::chmod(Runtime().c_str(), 0700);
    const std::map<std::string, std::string> env = {
        {"HOME", Home().string()},
        {"XDG_CONFIG_HOME", Config().string()},
        {"XDG_CONFIG_DIRS", Machine().string()},
        {"XDG_RUNTIME_DIR", Runtime().string()},
        {"TMPDIR", Temp().string()},
    };
    for (const auto& [name, value] : env) {
        const char* old = std::getenv(name.c_str());
        saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        ::setenv(name.c_str(), value.c_str(), 1);
    }
    ::unsetenv("XDG_DOCUMENTS_DIR");
}

PrivateHome::~PrivateHome()
{
    for (const auto& [name, value] : saved_) {
        if (value)
            ::setenv(name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }
}

PrivateDisplay::PrivateDisplay(int width, int height)
{
    if (const char* d = std::getenv("DISPLAY"))
        savedDisplay_ = d;
    int fds[2];
    if (::pipe(fds) != 0)
        return;
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    const pid_t pid = ::fork();
    if (pid == 0) {
        // The write end becomes descriptor 3 whatever numbers the pipe got.
        const int w = ::fcntl(fds[1], F_DUPFD, 10);
        ::close(fds[0]);
        ::close(fds[1]);
        ::dup2(w, 3);
        ::close(w);
        const int devnull = ::open("/dev/null", O_WRONLY);
        ::dup2(devnull, 2);
        ::execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", screen.c_str(), "-nolisten", "tcp", "-noreset",
                 "+extension", "GLX", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    pid_ = pid;
    std::string number;
    char c = 0;
    while (::read(fds[0], &c, 1) == 1 && c != '\n')
        number.push_back(c);
    ::close(fds[0]);
    if (number.empty())
        return;
    name_ = ":" + number;
    ::setenv("DISPLAY", name_.c_str(), 1);
}

PrivateDisplay::~PrivateDisplay()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    if (savedDisplay_)
        ::setenv("DISPLAY", savedDisplay_->c_str(), 1);
    else
        ::unsetenv("DISPLAY");
}

Process::Process(const std::string& program, const std::vector<std::string>& args,
                 const std::map<std::string, std::string>& extraEnv)
{
    std::vector<std::string> envStrings;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        if (!extraEnv.contains(name))
            envStrings.push_back(entry);
    }
    for (const auto& [name, value] : extraEnv)
        envStrings.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (std::string& s : envStrings)
        envp.push_back(s.data());
    envp.push_back(nullptr);
    std::vector<std::string> argStrings{program};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& s : argStrings)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), envp.data()) != 0)
        throw std::runtime_error("cannot start " + program);
    pid_ = pid;
}

Process::~Process()
{
    if (Running()) {
        Kill(SIGKILL);
        Wait(std::chrono::seconds(5));
    }
}

std::optional<int> Process::Wait(std::chrono::milliseconds timeout)
{
    if (status_)
        return status_;
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
            return status_;
        }
        if (std::chrono::steady_clock::now() >= end)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

bool Process::Running()
{
    return !status_ && !Wait(std::chrono::milliseconds(0));
}

void Process::Kill(int signal)
{
    if (!status_)
        ::kill(pid_, signal);
}

int RunProgram(const std::string& program, const std::vector<std::string>& args, std::chrono::milliseconds timeout)
{
    Process p(program, args);
    if (std::optional<int> rc = p.Wait(timeout))
        return *rc;
    p.Kill(SIGKILL);
    p.Wait(std::chrono::seconds(5));
    return -1;
}

std::string Capture(const std::string& command)
{
    std::string out;
    FILE* f = ::popen(command.c_str(), "r");
    if (f == nullptr)
        return out;
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        out.append(buffer, n);
    ::pclose(f);
    return out;
}

std::string BookPath()
{
    return std::string(ZORVA_STAGE_DIR) + "/bin/Book";
}

std::string SetPath()
{
    return std::string(ZORVA_STAGE_DIR) + "/bin/Set";
}

std::vector<std::string> WindowTitles()
{
    std::vector<std::string> titles;
    std::istringstream in(Capture("LC_ALL=C.UTF-8 xwininfo -root -tree 2>/dev/null"));
    std::string line;
    while (std::getline(in, line)) {
        const size_t q1 = line.find('"');
        const size_t q2 = line.find('"', q1 + 1);
        if (q1 != std::string::npos && q2 != std::string::npos)
            titles.push_back(line.substr(q1 + 1, q2 - q1 - 1));
    }
    return titles;
}

std::optional<std::string> FindWindowId(const std::string& titlePart)
{
    std::istringstream in(Capture("LC_ALL=C.UTF-8 xwininfo -root -tree 2>/dev/null"));
    std::string line;
    while (std::getline(in, line)) {
        const size_t q1 = line.find('"');
        const size_t q2 = line.find('"', q1 + 1);
        if (q1 == std::string::npos || q2 == std::string::npos)
            continue;
        if (line.substr(q1 + 1, q2 - q1 - 1).find(titlePart) == std::string::npos)
            continue;
        std::istringstream words(line);
        std::string id;
        words >> id;
        return id;
    }
    return std::nullopt;
}

void XdoTool(const std::string& args)
{
    const std::string cmd = "xdotool " + args + " >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) {
        // A failed input event shows up in the assertions of the test that sent it.
    }
}

std::optional<Pixel> ReadPixel(int x, int y)
{
    const std::string out = Capture("/usr/bin/import -window root -crop 1x1+" + std::to_string(x) + "+" + std::to_string(y) +
                                    " -depth 8 txt:- 2>/dev/null");
    // "# ImageMagick pixel enumeration: ..." then "0,0: (255,128,0)  #FF8000  srgb(255,128,0)"
    const size_t line = out.find("\n0,0:");
    const size_t p = line == std::string::npos ? std::string::npos : out.find('#', line);
    if (p == std::string::npos || p + 7 > out.size())
        return std::nullopt;
    Pixel px;
    px.r = std::stoi(out.substr(p + 1, 2), nullptr, 16);
    px.g = std::stoi(out.substr(p + 3, 2), nullptr, 16);
    px.b = std::stoi(out.substr(p + 5, 2), nullptr, 16);
    return px;
}

bool Screenshot(const fs::path& png)
{
    const std::string cmd = "/usr/bin/import -window root '" + png.string() + "' 2>/dev/null";
    return std::system(cmd.c_str()) == 0 && fs::exists(png);
}

} // namespace Zorva::Testing
