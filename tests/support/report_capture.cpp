// Linked into every test program: a failure report inside a test is recorded instead of
// starting the message-display copy of the program (which would be the test program itself).
#include "kernel/exceptions.h"

#include <mutex>
#include <string>
#include <vector>

namespace Zorva::Testing {

std::mutex g_reportsMutex;
std::vector<std::u16string> g_reports;

namespace {

const bool g_installed = [] {
    GetReportHooks().showReport = [](const std::u16string& text, const std::u16string&) {
        std::lock_guard lock(g_reportsMutex);
        g_reports.push_back(text);
    };
    return true;
}();

} // namespace

// The reports shown so far in this process.
std::vector<std::u16string> ShownReports()
{
    std::lock_guard lock(g_reportsMutex);
    return g_reports;
}

} // namespace Zorva::Testing
