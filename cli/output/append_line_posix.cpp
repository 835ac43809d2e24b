#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "cli/output/job_record.h"
#include "platform/unique_fd.h"

namespace cli {

bool AppendLine(const std::string& path, std::string_view line) {
    const platform::UniqueFd fd(
        ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0644));
    if (!fd)
        return false;
    std::string whole(line);
    whole += '\n';
    ssize_t n = 0;
    do {
        n = ::write(fd.Get(), whole.data(), whole.size());
    } while (n < 0 && errno == EINTR);
    if (n >= 0 && static_cast<std::size_t>(n) != whole.size())
        errno = ENOSPC;  // a short append: the file system is full
    return n >= 0 && static_cast<std::size_t>(n) == whole.size();
}

}  // namespace cli
