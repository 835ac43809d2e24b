// Ctrl+C and requests to end, turned into a call on a thread of kven-cli's own, so the main
// thread ends the job cleanly: SIGINT and SIGTERM on Linux, the console's Ctrl+C and Ctrl+Break
// on Windows.
//
// Threading: PrepareInterrupts on the main thread before any other thread exists. One watcher
// at a time, made and destroyed on the main thread; `onInterrupt` runs on another thread.
#pragma once

#include <functional>
#include <memory>

namespace cli {

// Linux: blocks SIGINT and SIGTERM (and SIGUSR1, which stops a watcher) in this thread, so
// every later thread inherits the mask and only a watcher receives them. Windows: nothing.
void PrepareInterrupts();

class InterruptWatcher {
  public:
    explicit InterruptWatcher(std::function<void()> onInterrupt);
    ~InterruptWatcher();
    InterruptWatcher(const InterruptWatcher&) = delete;
    InterruptWatcher& operator=(const InterruptWatcher&) = delete;

    struct State;

  private:
    std::unique_ptr<State> state_;
};

}  // namespace cli
