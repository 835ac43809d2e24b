#include "platform/device_watch.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <thread>

#include "platform/unique_fd.h"

namespace platform {

struct DeviceWatch::State {
    std::function<void()> onChange;
    std::vector<std::string> folders;
    UniqueFd inotify;
    UniqueFd stop;
    std::atomic<bool> watching{false};
    std::thread thread;

    // Those that do not exist yet are watched once they do: each change adds what is missing
    // (a change in their parent, /dev or the caller's, comes first).
    void AddWatches() const {
        constexpr std::uint32_t kMask =
            IN_CREATE | IN_DELETE | IN_ATTRIB | IN_MOVED_TO | IN_MOVED_FROM | IN_ONLYDIR;
        for (const std::string& folder : folders)
            (void)::inotify_add_watch(inotify.Get(), folder.c_str(), kMask);
    }

    void Run() const {
        for (;;) {
            std::array<pollfd, 2> fds{{{inotify.Get(), POLLIN, 0}, {stop.Get(), POLLIN, 0}}};
            if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR)
                return;
            if (fds[1].revents != 0)
                return;
            if (fds[0].revents == 0)
                continue;
            alignas(inotify_event) std::array<char, 4096> buffer{};
            while (::read(inotify.Get(), buffer.data(), buffer.size()) > 0) {
            }
            AddWatches();
            onChange();
        }
    }
};

DeviceWatch::DeviceWatch(std::function<void()> onChange, std::vector<std::string> folders)
    : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.onChange = std::move(onChange);
    // The folders udev fills with serial devices and their links.
    s.folders = {"/dev", "/dev/serial", "/dev/serial/by-id", "/dev/serial/by-path"};
    s.folders.insert(s.folders.end(), folders.begin(), folders.end());
    s.inotify.Reset(::inotify_init1(IN_CLOEXEC | IN_NONBLOCK));
    s.stop.Reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!s.inotify || !s.stop) {
        s.inotify.Reset();
        return;
    }
    s.AddWatches();
    s.watching = true;
    s.thread = std::thread([&s] {
        s.Run();
        s.watching = false;
    });
}

DeviceWatch::~DeviceWatch() {
    if (state_->thread.joinable()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto n = ::write(state_->stop.Get(), &one, sizeof one);
        state_->thread.join();
    }
}

bool DeviceWatch::Active() const {
    return state_->watching;
}

}  // namespace platform
