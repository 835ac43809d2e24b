#include <cerrno>
#include <string>

#include "cli/output/job_record.h"

#include <windows.h>

namespace cli {
namespace {

// The caller reports a failure with strerror(errno).
int ErrnoFor(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
            return EACCES;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return EBUSY;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        default:
            return EIO;
    }
}

}  // namespace

bool AppendLine(const std::string& path, std::string_view line) {
    // FILE_APPEND_DATA alone: every write goes to the end, also beside other writers.
    const HANDLE h = ::CreateFileA(path.c_str(), FILE_APPEND_DATA,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        errno = ErrnoFor(::GetLastError());
        return false;
    }
    std::string whole(line);
    whole += '\n';
    DWORD n = 0;
    const bool ok = ::WriteFile(h, whole.data(), static_cast<DWORD>(whole.size()), &n, nullptr);
    const DWORD error = ::GetLastError();
    ::CloseHandle(h);
    if (!ok) {
        errno = ErrnoFor(error);
        return false;
    }
    if (n != whole.size()) {
        errno = ENOSPC;  // a short append: the disk is full
        return false;
    }
    return true;
}

}  // namespace cli
