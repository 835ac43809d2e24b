#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

std::optional<FileLock> FileLock::Acquire(const std::string& path, std::string* error) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        *error = "cannot open " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    int rc = 0;
    do {
        rc = ::flock(fd, LOCK_EX);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        *error = "cannot lock " + path + ": " + std::strerror(errno);
        ::close(fd);
        return std::nullopt;
    }
    return FileLock(fd);
}

void FileLock::Release() {
    if (handle_ == kNone)
        return;
    // Closing the descriptor releases the lock.
    ::close(static_cast<int>(handle_));
    handle_ = kNone;
}

}  // namespace platform
