// What a status message costs: a send that hops to a window's owner thread and back (the
// desktop program), next to one handled on the sending thread (kven-cli).
#include <benchmark/benchmark.h>

#include <atomic>
#include <thread>

#include "platform/message_target.h"

namespace {

class Counter : public platform::MessageTarget {
  public:
    explicit Counter(Dispatch dispatch) : MessageTarget(dispatch) {}
    std::atomic<long> handled{0};

  protected:
    LRESULT HandleMessage(UINT, WPARAM, LPARAM) override {
        handled.fetch_add(1, std::memory_order_relaxed);
        return 0;
    }
};

void SendFromAnotherThread(benchmark::State& state, platform::MessageTarget::Dispatch dispatch) {
    Counter target(dispatch);
    std::atomic<bool> done{false};
    // The sender is another thread, as the port's reader is; the owner pumps like a GUI.
    std::thread sender([&] {
        for (auto _ : state)
            target.Send(WM_USER + 101, 1, 0);
        done = true;
        target.Post(WM_NULL, 0, 0);
    });
    target.RunUntil([&] { return done.load(); }, std::chrono::minutes(10));
    sender.join();
}

void BM_StatusSend_ToOwnerThread(benchmark::State& state) {
    SendFromAnotherThread(state, platform::MessageTarget::Dispatch::OwnerThread);
}
BENCHMARK(BM_StatusSend_ToOwnerThread)->UseRealTime();

void BM_StatusSend_OnSendingThread(benchmark::State& state) {
    SendFromAnotherThread(state, platform::MessageTarget::Dispatch::SendingThread);
}
BENCHMARK(BM_StatusSend_OnSendingThread)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
