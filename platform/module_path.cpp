#include "platform/module_path.h"

#include <filesystem>
#include <system_error>

namespace platform {

std::string GetModuleFileName() {
    std::error_code ec;
    auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : p.string();
}

}  // namespace platform
