#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <utility>

#include "platform/error_text.h"

namespace platform {

bool ImageFile::Open(const std::string& path) {
    Close();
    openError_.clear();
    if (path.empty()) {
        openError_ = "no file is named";
        return false;
    }
    // The type is checked before the open: opening a serial device, even to refuse it, can
    // raise its modem lines, and opening a FIFO can wait for a writer.
    struct stat before {};
    if (::stat(path.c_str(), &before) != 0) {
        openError_ = SystemErrorText(errno);
        return false;
    }
    if (!S_ISREG(before.st_mode)) {
        openError_ = S_ISDIR(before.st_mode) ? SystemErrorText(EISDIR) : "not a regular file";
        return false;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        openError_ = SystemErrorText(errno);
        return false;
    }
    // The name may have been pointed elsewhere in between: what was opened must be that file.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_dev != before.st_dev ||
        st.st_ino != before.st_ino) {
        ::close(fd);
        openError_ = "replaced while it was being opened";
        return false;
    }
    handle_ = fd;
    size_ = static_cast<std::uint64_t>(st.st_size);
    return true;
}

std::size_t ImageFile::ReadAt(std::uint64_t offset, std::span<std::uint8_t> dest) {
    if (handle_ == kClosed)
        return 0;
    const int fd = static_cast<int>(handle_);
    std::size_t got = 0;
    while (got < dest.size()) {
        const ssize_t n =
            ::pread(fd, dest.data() + got, dest.size() - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return got;
}

void ImageFile::Close() {
    if (handle_ != kClosed)
        ::close(static_cast<int>(handle_));
    handle_ = kClosed;
}

bool WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> data) {
    if (path.empty())
        return false;
    // Renaming over a file would replace it even when it is read-only, which the operator
    // meant to protect; root passes access(), so the mode bits are checked as well.
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0 &&
        (!S_ISREG(existing.st_mode) || (existing.st_mode & S_IWUSR) == 0 ||
         ::access(path.c_str(), W_OK) != 0)) {
        return false;
    }
    const std::filesystem::path target(path);
    std::string tmp =
        (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            ok = false;
        else
            done += static_cast<std::size_t>(n);
    }
    // The replacement keeps the old file's permissions; a new file gets the usual ones rather
    // than mkostemp's 0600.
    struct stat old {};
    const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    ok = ok && ::fchmod(fd, mode) == 0;
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(tmp.c_str(), path.c_str()) == 0)
        return true;
    ::unlink(tmp.c_str());
    return false;
}

}  // namespace platform
