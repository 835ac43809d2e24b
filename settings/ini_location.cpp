#include "settings/ini_location.h"

#include <unistd.h>

#include <cstdlib>
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

std::string UserConfigDir() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') {
        return std::string(xdg) + "/kven";
    }
    if (const char* home = std::getenv("HOME"); home && *home) {
        return std::string(home) + "/.config/kven";
    }
    return {};
}

bool DirectoryWritable(const std::string& dir) {
    return ::access(dir.c_str(), W_OK | X_OK) == 0;
}
