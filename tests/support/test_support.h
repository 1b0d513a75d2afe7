// Shared helpers for tests that run real programs: private home folders, a private X server,
// starting and waiting for processes, X input through xdotool and screenshots.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace Zorva::Testing {

// A fresh temporary folder, removed with everything in it when the object goes.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Points HOME, XDG_CONFIG_HOME, XDG_RUNTIME_DIR, XDG_CONFIG_DIRS and TMPDIR into a temporary
// folder for the lifetime of the object, so no test touches a real user's files.
class PrivateHome {
public:
    PrivateHome();
    ~PrivateHome();
    const std::filesystem::path& Root() const { return folder_.Path(); }
    std::filesystem::path Home() const { return Root() / "home"; }
    std::filesystem::path Config() const { return Root() / "home/.config"; }
    std::filesystem::path Machine() const { return Root() / "etc-xdg"; }
    std::filesystem::path Runtime() const { return Root() / "run"; }
    std::filesystem::path Temp() const { return Root() / "tmp"; }

private:
    TempFolder folder_;
    std::map<std::string, std::optional<std::string>> saved_;
};

// A private Xvfb server (1920 x 1080 x 24 unless told otherwise); DISPLAY points at it while the
// object lives.
class PrivateDisplay {
public:
    explicit PrivateDisplay(int width = 1920, int height = 1080);
    ~PrivateDisplay();
    const std::string& Name() const { return name_; }
    bool Ok() const { return pid_ > 0 && !name_.empty(); }

private:
    int pid_ = -1;
    std::string name_;
    std::optional<std::string> savedDisplay_;
};

// A program started in the background.
class Process {
public:
    Process(const std::string& program, const std::vector<std::string>& args,
            const std::map<std::string, std::string>& extraEnv = {});
    ~Process(); // kills the process when it still runs
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    int Pid() const { return pid_; }
    // The exit code, or nothing when it did not end in time (or ended by a signal: -signal).
    std::optional<int> Wait(std::chrono::milliseconds timeout);
    bool Running();
    void Kill(int signal);

private:
    int pid_ = -1;
    std::optional<int> status_;
};

// The failure reports shown so far by this test process (recorded instead of shown).
std::vector<std::u16string> ShownReports();

// Runs a program to its end; returns its exit code (or -1 when it had to be killed).
int RunProgram(const std::string& program, const std::vector<std::string>& args,
               std::chrono::milliseconds timeout = std::chrono::seconds(30));

// Runs a shell command and returns what it printed on standard output.
std::string Capture(const std::string& command);

// The staged programs.
std::string BookPath();
std::string SetPath();

// Waits until the predicate holds or the timeout passes.
template <class F>
bool WaitFor(F&& predicate, std::chrono::milliseconds timeout,
             std::chrono::milliseconds step = std::chrono::milliseconds(50));

// X helpers on the current DISPLAY.
std::vector<std::string> WindowTitles(); // from xwininfo -root -tree
std::optional<std::string> FindWindowId(const std::string& titlePart);
void XdoTool(const std::string& args);
struct Pixel {
    int r = 0, g = 0, b = 0;
};
std::optional<Pixel> ReadPixel(int x, int y);
bool Screenshot(const std::filesystem::path& png);

} // namespace Zorva::Testing

#include <thread>

template <class F>
bool Zorva::Testing::WaitFor(F&& predicate, std::chrono::milliseconds timeout, std::chrono::milliseconds step)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!predicate()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(step);
    }
    return true;
}
