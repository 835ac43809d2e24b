#include <mutex>

#include "cli/command/interrupts.h"

#include <windows.h>

namespace cli {
namespace {

// The console calls its handler on a thread it makes for the event; the handler passes the
// event on to the watcher of the moment.
std::mutex& WatcherLock() {
    static std::mutex m;
    return m;
}
std::function<void()>& Current() {
    static std::function<void()> f;
    return f;
}

BOOL WINAPI OnConsoleEvent(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;  // closing the console or logging off: the default, which ends us
    std::lock_guard lock(WatcherLock());
    if (Current())
        Current()();
    return TRUE;
}

}  // namespace

void PrepareInterrupts() {}

struct InterruptWatcher::State {};

InterruptWatcher::InterruptWatcher(std::function<void()> onInterrupt)
    : state_(std::make_unique<State>()) {
    {
        std::lock_guard lock(WatcherLock());
        Current() = std::move(onInterrupt);
    }
    ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

InterruptWatcher::~InterruptWatcher() {
    ::SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
    std::lock_guard lock(WatcherLock());
    Current() = nullptr;
}

}  // namespace cli
