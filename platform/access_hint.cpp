#include "platform/access_hint.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/com_ports.h"

namespace platform {

std::string AccessHint(int port) {
    const std::string com = "COM" + std::to_string(port);
    const std::string device = ComDevicePath(port);
    if (device.empty())
        return com + " names no device.";
    std::string hint = com + " is " + device + ".\n";
    if (::access(device.c_str(), R_OK | W_OK) != 0) {
        struct stat st {};
        const group* owner = ::stat(device.c_str(), &st) == 0 ? ::getgrgid(st.st_gid) : nullptr;
        const std::string name = owner ? owner->gr_name : "dialout";
        hint += "You may not read and write it. Members of the group \"" + name +
                "\" may; join it with\n    sudo usermod -aG " + name + " $USER\nand log in again.";
    } else {
        hint += "Another program is using it; close that program and try again.";
    }
    return hint;
}

}  // namespace platform
