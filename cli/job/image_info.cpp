#include "cli/job/image_info.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <span>

#include "cli/job/sha256.h"
#include "platform/unique_fd.h"

namespace cli {
namespace {

// The digest of everything `fd` holds; empty on a read error.
std::string DigestOf(int fd, std::uint64_t& size) {
    Sha256 sha;
    std::array<std::uint8_t, 65536> buffer{};
    size = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n == 0)
            break;
        if (n < 0)
            return {};
        size += static_cast<std::uint64_t>(n);
        sha.Update(std::span(buffer).first(static_cast<std::size_t>(n)));
    }
    return HexDigest(sha.Final());
}

}  // namespace

ImageInfo ImageDescriber::Describe(const std::string& given) {
    // The log names the file wherever it is read later.
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(given, ec);
    const std::string path = ec ? given : absolute.lexically_normal().string();
    platform::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st {};
    if (!fd || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        mtimeNs_ = -1;
        return {path, 0, {}, {}, {}};
    }
    const std::int64_t mtimeNs =
        std::int64_t{st.st_mtim.tv_sec} * 1'000'000'000 + st.st_mtim.tv_nsec;
    if (path == last_.path && st.st_dev == device_ && st.st_ino == inode_ && mtimeNs == mtimeNs_ &&
        static_cast<std::uint64_t>(st.st_size) == last_.size) {
        return last_;
    }
    ImageInfo info{path, 0, {}, {}, {}};
    info.sha256 = DigestOf(fd.Get(), info.size);
    last_ = info;
    device_ = st.st_dev;
    inode_ = st.st_ino;
    mtimeNs_ = info.sha256.empty() ? -1 : mtimeNs;
    return info;
}

}  // namespace cli
