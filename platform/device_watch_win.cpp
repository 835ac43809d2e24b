#include "platform/device_watch.h"

#include <atomic>
#include <thread>

#include <windows.h>

namespace platform {
namespace {

// A Win32 event, closed when it goes.
class OwnedEvent {
  public:
    OwnedEvent() : handle_(::CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}
    ~OwnedEvent() {
        if (handle_)
            ::CloseHandle(handle_);
    }
    OwnedEvent(const OwnedEvent&) = delete;
    OwnedEvent& operator=(const OwnedEvent&) = delete;
    HANDLE Get() const { return handle_; }

  private:
    HANDLE handle_;
};

}  // namespace

struct DeviceWatch::State {
    std::function<void()> onChange;
    OwnedEvent stop;
    OwnedEvent changed;
    HKEY key = nullptr;  // HARDWARE\DEVICEMAP: SERIALCOMM is made below it with the first port
    std::atomic<bool> watching{false};
    std::thread thread;

    void Run() const {
        for (;;) {
            if (::RegNotifyChangeKeyValue(key, TRUE,
                                          REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET,
                                          changed.Get(), TRUE) != ERROR_SUCCESS) {
                return;
            }
            const HANDLE events[] = {stop.Get(), changed.Get()};
            if (::WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0 + 1)
                return;
            onChange();
        }
    }
};

DeviceWatch::DeviceWatch(std::function<void()> onChange, std::vector<std::string>)
    : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.onChange = std::move(onChange);
    if (!s.stop.Get() || !s.changed.Get() ||
        ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP", 0, KEY_NOTIFY, &s.key) !=
            ERROR_SUCCESS) {
        s.key = nullptr;
        return;
    }
    s.watching = true;
    s.thread = std::thread([&s] {
        s.Run();
        s.watching = false;
    });
}

DeviceWatch::~DeviceWatch() {
    if (state_->thread.joinable()) {
        ::SetEvent(state_->stop.Get());
        state_->thread.join();
    }
    if (state_->key)
        ::RegCloseKey(state_->key);
}

bool DeviceWatch::Active() const {
    return state_->watching;
}

}  // namespace platform
