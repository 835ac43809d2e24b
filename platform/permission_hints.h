// Why a user may not open a device file, and who may: the words both front ends give after
// "COM can not be accessed" on Linux.
//
// Threading: any thread; reads the device's attributes and the user and group databases.
#pragma once

#include <string>
#include <vector>

namespace platform {

// For `device` with permission bits `mode`, owner and group names: a group to join only where
// that group may read and write and is not root; otherwise who may open it and whom to ask.
std::vector<std::string> PermissionHints(const std::string& device, unsigned mode,
                                         const std::string& owner, const std::string& group);

// The same for `device` as it is on disk; empty when this user may read and write it.
std::vector<std::string> DevicePermissionHints(const std::string& device);

}  // namespace platform
