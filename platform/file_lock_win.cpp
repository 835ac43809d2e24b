#include "platform/file_lock.h"

#include <windows.h>

namespace platform {

std::optional<FileLock> FileLock::Acquire(const std::string& path, std::string* error) {
    const HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        *error = "cannot open " + path + " (error " + std::to_string(::GetLastError()) + ")";
        return std::nullopt;
    }
    OVERLAPPED whole{};
    if (!::LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole)) {
        *error = "cannot lock " + path + " (error " + std::to_string(::GetLastError()) + ")";
        ::CloseHandle(h);
        return std::nullopt;
    }
    return FileLock(reinterpret_cast<std::intptr_t>(h));
}

void FileLock::Release() {
    if (handle_ == kNone)
        return;
    const HANDLE h = reinterpret_cast<HANDLE>(handle_);
    OVERLAPPED whole{};
    ::UnlockFileEx(h, 0, MAXDWORD, MAXDWORD, &whole);
    ::CloseHandle(h);
    handle_ = kNone;
}

}  // namespace platform
