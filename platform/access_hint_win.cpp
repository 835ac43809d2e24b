#include "platform/access_hint.h"

#include "platform/com_ports.h"

namespace platform {

std::string AccessHint(int port) {
    const std::string com = "COM" + std::to_string(port);
    const std::string device = ComDevicePath(port);
    if (device.empty())
        return com + " names no device.";
    // Windows gives a COM port to one program at a time.
    return com + " is " + device +
           ".\nAnother program is using it; close that program and try again.";
}

}  // namespace platform
