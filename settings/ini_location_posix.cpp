#include <unistd.h>

#include <cstdlib>

#include "settings/ini_location.h"

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
