#include "sim/pty.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <termios.h>
#include <time.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace sim {

namespace {

bool Fail(std::string* error, const char* what) {
    if (error != nullptr) {
        *error = std::string(what) + ": " + std::strerror(errno);
    }
    return false;
}

// No echo, no line editing, no CR/LF translation, 8 bits.
bool MakeRaw(int fd, std::string* error) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        return Fail(error, "tcgetattr");
    }
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        return Fail(error, "tcsetattr");
    }
    return true;
}

}  // namespace

std::optional<PtyPair> PtyPair::Open(std::string* error) {
    PtyPair pair;
    pair.master_.Reset(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!pair.master_.Valid()) {
        Fail(error, "posix_openpt");
        return std::nullopt;
    }
    const int master = pair.master_.Get();
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        Fail(error, "grantpt/unlockpt");
        return std::nullopt;
    }
    std::array<char, 128> name{};
    if (::ptsname_r(master, name.data(), name.size()) != 0) {
        Fail(error, "ptsname_r");
        return std::nullopt;
    }
    pair.slavePath_ = name.data();
    pair.slave_.Reset(::open(name.data(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!pair.slave_.Valid()) {
        Fail(error, "open slave");
        return std::nullopt;
    }
    // Raw on the slave side before any host opens it. The line discipline lives on the slave,
    // so that is where it is set.
    if (!MakeRaw(pair.slave_.Get(), error)) {
        return std::nullopt;
    }
    const int flags = ::fcntl(master, F_GETFL);
    if (flags < 0 || ::fcntl(master, F_SETFL, flags | O_NONBLOCK) != 0) {
        Fail(error, "fcntl O_NONBLOCK");
        return std::nullopt;
    }
    return pair;
}

std::optional<PtyPair> PtyPair::Attach(const std::string& path, std::string* error) {
    PtyPair pair;
    pair.slavePath_ = path;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (path.size() >= sizeof address.sun_path) {
            errno = ENAMETOOLONG;
            Fail(error, path.c_str());
            return std::nullopt;
        }
        std::memcpy(address.sun_path, path.c_str(), path.size());
        pair.master_.Reset(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (!pair.master_.Valid() ||
            ::connect(pair.master_.Get(), reinterpret_cast<const sockaddr*>(&address),
                      sizeof address) != 0 ||
            ::fcntl(pair.master_.Get(), F_SETFL, O_NONBLOCK) != 0) {
            Fail(error, path.c_str());
            return std::nullopt;
        }
        return pair;
    }
    pair.master_.Reset(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!pair.master_.Valid()) {
        Fail(error, path.c_str());
        return std::nullopt;
    }
    if (!MakeRaw(pair.master_.Get(), error)) {
        return std::nullopt;
    }
    return pair;
}

int PtyPair::UnreadByHost() const {
    // Attached, the bytes not yet taken from our output queue by the far end (TIOCOUTQ is also
    // a unix socket's SIOCOUTQ).
    const bool attached = !slave_.Valid();
    int queued = 0;
    if (::ioctl(attached ? master_.Get() : slave_.Get(), attached ? TIOCOUTQ : FIONREAD, &queued) !=
        0) {
        return 0;
    }
    return queued;
}

void PtyPair::WaitUntilRead(std::chrono::milliseconds limit) const {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + limit;
    const timespec step{0, 5'000'000};
    while (UnreadByHost() > 0 && Clock::now() < end) {
        ::nanosleep(&step, nullptr);
    }
}

}  // namespace sim

namespace sim {

void PtyPair::WaitUntilHostCloses(std::chrono::milliseconds limit) const {
    if (!slave_.Valid())
        return;
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + limit;
    const timespec step{0, 5'000'000};
    while (Clock::now() < end) {
        // Our own descriptor takes the lock only once no host holds it.
        if (::flock(slave_.Get(), LOCK_EX | LOCK_NB) == 0) {
            ::flock(slave_.Get(), LOCK_UN);
            return;
        }
        if (errno != EWOULDBLOCK)
            return;  // no lock on this kind of file: nothing to tell by
        ::nanosleep(&step, nullptr);
    }
}

}  // namespace sim
