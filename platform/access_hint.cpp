#include "platform/access_hint.h"

#include "platform/permission_hints.h"

namespace platform {

std::vector<std::string> AccessHints(const std::string& device) {
    std::vector<std::string> hints = DevicePermissionHints(device);
    for (std::string& line : hints)
        line += ".";
    if (hints.empty())
        hints.push_back("Another program is using it; close that program and try again.");
    return hints;
}

}  // namespace platform
