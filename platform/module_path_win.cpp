#include <string>

#include "platform/module_path.h"

#include <windows.h>
// <windows.h> maps the name to GetModuleFileNameA; ours is the function declared above.
#undef GetModuleFileName

namespace platform {

std::string GetModuleFileName() {
    // A path longer than the buffer comes back cut short and with ERROR_INSUFFICIENT_BUFFER:
    // try again with more room, up to the longest path the system has.
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        if (path.size() >= 32768)
            return {};
        path.resize(path.size() * 2);
    }
}

}  // namespace platform
