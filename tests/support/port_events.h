// Records the events a CSerialPort delivers, for tests. SerialPortCallback is a plain
// function, so the log is process-wide; a test resets it first and may attach an action that
// runs on the delivering thread after the event is recorded.
//
// Threading: every member may be called from any thread.
#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "serial/serial_port.h"

namespace test_support {

struct PortEvent {
    CSerialPort* port;
    std::int32_t kind;
    std::thread::id thread;
};

class PortEventLog {
  public:
    using Action = std::function<void(CSerialPort*, std::int32_t)>;

    static PortEventLog& Get() {
        static PortEventLog log;
        return log;
    }

    static void Callback(CSerialPort* port, std::int32_t kind) {
        PortEventLog& log = Get();
        Action action;
        {
            std::lock_guard lock(log.mu_);
            log.events_.push_back({port, kind, std::this_thread::get_id()});
            action = log.action_;
        }
        log.cv_.notify_all();
        if (action)
            action(port, kind);
    }

    void Reset(Action action = {}) {
        std::lock_guard lock(mu_);
        events_.clear();
        action_ = std::move(action);
    }

    std::vector<PortEvent> Events() const {
        std::lock_guard lock(mu_);
        return events_;
    }

    std::vector<std::int32_t> Kinds() const {
        std::lock_guard lock(mu_);
        std::vector<std::int32_t> kinds;
        for (const auto& e : events_)
            kinds.push_back(e.kind);
        return kinds;
    }

    int Count(std::int32_t kind) const {
        std::lock_guard lock(mu_);
        return static_cast<int>(std::count_if(events_.begin(), events_.end(),
                                              [&](const auto& e) { return e.kind == kind; }));
    }

    // Waits until `kind` has been delivered at least `times` times.
    bool WaitFor(std::int32_t kind, int times = 1,
                 std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        std::unique_lock lock(mu_);
        return cv_.wait_for(lock, timeout, [&] {
            return std::count_if(events_.begin(), events_.end(),
                                 [&](const auto& e) { return e.kind == kind; }) >= times;
        });
    }

  private:
    mutable std::mutex mu_;
    std::condition_variable cv_;
    std::vector<PortEvent> events_;
    Action action_;
};

}  // namespace test_support
