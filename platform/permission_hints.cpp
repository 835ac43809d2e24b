#include "platform/permission_hints.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace platform {

std::vector<std::string> PermissionHints(const std::string& device, unsigned mode,
                                         const std::string& owner, const std::string& group) {
    constexpr unsigned kOwnerRw = S_IRUSR | S_IWUSR;
    constexpr unsigned kGroupRw = S_IRGRP | S_IWGRP;
    constexpr unsigned kOtherRw = S_IROTH | S_IWOTH;
    char bits[8];
    std::snprintf(bits, sizeof bits, "%04o", mode & 07777u);
    const std::string what =
        device + " (owner " + owner + ", group " + group + ", mode " + bits + ")";
    // Joining the group helps only where the group may read and write, and joining root is
    // never advice to give.
    if ((mode & kGroupRw) == kGroupRw && group != "root" && group != "0") {
        return {what + " may be opened by the group " + group +
                "; join it with: sudo usermod -aG " + group + " $USER (then log in again)"};
    }
    std::string who;
    if ((mode & kOwnerRw) == kOwnerRw)
        who = owner == "root" ? "root" : "root and " + owner;
    else
        who = "root";
    if ((mode & kOtherRw) == kOtherRw)
        who = "everyone";  // then access was refused for another reason, such as a policy
    return {what + " may be opened for reading and writing only by " + who,
            "ask the administrator for access, for example a udev rule that gives it a group "
            "such as dialout"};
}

std::vector<std::string> DevicePermissionHints(const std::string& device) {
    if (::access(device.c_str(), R_OK | W_OK) == 0)
        return {};
    struct stat st {};
    if (::stat(device.c_str(), &st) != 0)
        return {"cannot look at " + device + ": " + std::strerror(errno)};
    const struct passwd* owner = ::getpwuid(st.st_uid);
    const struct group* group = ::getgrgid(st.st_gid);
    return PermissionHints(device, st.st_mode, owner ? owner->pw_name : std::to_string(st.st_uid),
                           group ? group->gr_name : std::to_string(st.st_gid));
}

}  // namespace platform
