#include "cli/command/interrupts.h"

#include <pthread.h>

#include <csignal>
#include <thread>

namespace cli {
namespace {

sigset_t WatchedSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGUSR1);
    return set;
}

}  // namespace

void PrepareInterrupts() {
    const sigset_t set = WatchedSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

// Waits for SIGINT or SIGTERM on its own thread; stopped with SIGUSR1.
struct InterruptWatcher::State {
    std::thread thread;
};

InterruptWatcher::InterruptWatcher(std::function<void()> onInterrupt)
    : state_(std::make_unique<State>()) {
    state_->thread = std::thread([onInterrupt = std::move(onInterrupt)] {
        const sigset_t set = WatchedSignals();
        int sig = 0;
        while (sigwait(&set, &sig) == 0) {
            if (sig == SIGUSR1)
                return;
            onInterrupt();
        }
    });
}

InterruptWatcher::~InterruptWatcher() {
    pthread_kill(state_->thread.native_handle(), SIGUSR1);
    state_->thread.join();
}

}  // namespace cli
