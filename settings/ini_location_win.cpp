#include <cstdlib>
#include <string>

#include "settings/ini_location.h"

#include <windows.h>

std::string UserConfigDir() {
    if (const char* appData = std::getenv("APPDATA"); appData && *appData)
        return std::string(appData) + "\\kven";
    return {};
}

bool DirectoryWritable(const std::string& dir) {
    // Access rights on Windows are lists, not bits: the one sure test is to create a file.
    const std::string probe = dir + "\\.kven-write-test-" + std::to_string(::GetCurrentProcessId());
    const HANDLE h = ::CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return ::GetLastError() == ERROR_FILE_EXISTS;
    ::CloseHandle(h);
    return true;
}
