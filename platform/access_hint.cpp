#include "platform/access_hint.h"

#include "platform/com_ports.h"
#include "platform/permission_hints.h"

namespace platform {

std::string AccessHint(int port) {
    const std::string com = "COM" + std::to_string(port);
    const std::string device = ComDevicePath(port);
    if (device.empty())
        return com + " names no device.";
    std::string hint = com + " is " + device + ".";
    const std::vector<std::string> permission = DevicePermissionHints(device);
    for (const std::string& line : permission)
        hint += "\n" + line + ".";
    if (permission.empty())
        hint += "\nAnother program is using it; close that program and try again.";
    return hint;
}

}  // namespace platform
