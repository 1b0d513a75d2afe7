// Counts the X11 bells rung on the current display (XkbBellNotify events), so tests can hear a
// beep.
#pragma once

#include <atomic>
#include <thread>

namespace Zorva::Testing {

class BellWatcher {
public:
    BellWatcher(); // on $DISPLAY
    ~BellWatcher();
    BellWatcher(const BellWatcher&) = delete;
    BellWatcher& operator=(const BellWatcher&) = delete;
    bool Ok() const { return display_ != nullptr; }
    int Count() const { return count_.load(); }

private:
    void* display_ = nullptr;
    std::atomic<int> count_{0};
    std::atomic<bool> stop_{false};
    std::thread reader_;
};

} // namespace Zorva::Testing
