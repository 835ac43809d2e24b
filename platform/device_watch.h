// Word that the serial devices may have changed (a USB adapter re-enumerating, a by-id or
// by-path link made), so that a program waiting for a port wakes on the change itself rather
// than looking again and again: inotify on /dev and /dev/serial/{by-id,by-path} on Linux, the
// registry's DEVICEMAP on Windows. A change is only a reason to look: the callback says
// nothing of which device came or went.
//
// Threading: made and destroyed on one thread; `onChange` runs on the watch's own thread,
// never after the destructor has returned.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

class DeviceWatch {
  public:
    // Linux also watches `folders` (say, the folder of a link that names the port), and those
    // of them that do not exist yet once they do.
    explicit DeviceWatch(std::function<void()> onChange, std::vector<std::string> folders = {});
    ~DeviceWatch();
    DeviceWatch(const DeviceWatch&) = delete;
    DeviceWatch& operator=(const DeviceWatch&) = delete;

    // False when the system gave no way to watch: the owner must look again by itself.
    bool Active() const;

    struct State;

  private:
    std::unique_ptr<State> state_;
};

}  // namespace platform
