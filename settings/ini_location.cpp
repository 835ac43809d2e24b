#include "settings/ini_location.h"

#include <filesystem>

std::string IniPathForExecutable(const std::string& exePath, const std::string& configDir,
                                 const std::function<bool(const std::string& dir)>& writable) {
    namespace fs = std::filesystem;
    const fs::path exe(exePath);
    std::string name = exe.filename().string();
    if (name.size() > 4 && name[name.size() - 4] == '.') {
        name.replace(name.size() - 3, 3, "INI");
    } else {
        name += ".INI";
    }
    const std::string dir = exe.parent_path().string();
    if (!configDir.empty() && !writable(dir.empty() ? "." : dir)) {
        return (fs::path(configDir) / name).string();
    }
    return (exe.parent_path() / name).string();
}
