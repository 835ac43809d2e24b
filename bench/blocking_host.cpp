#include "bench/blocking_host.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <vector>

#include "job/prepare_image.h"
#include "job/program_job.h"

namespace {

constexpr std::chrono::milliseconds kCommand{2000};
constexpr std::chrono::milliseconds kPacket{1000};
constexpr std::chrono::milliseconds kEraseDefault{8000};
constexpr std::uint8_t kAck = 0xAA;

speed_t SpeedOf(std::uint32_t baud) {
    switch (baud) {
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 230400:
            return B230400;
        default:
            return B115200;  // a pseudo-terminal ignores the rate anyway
    }
}

}  // namespace

BlockingHost::BlockingHost(const std::string& path, std::uint32_t baud)
    : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)) {
    termios t{};
    if (fd_ < 0 || ::tcgetattr(fd_, &t) != 0)
        return;
    ::cfmakeraw(&t);
    ::cfsetspeed(&t, SpeedOf(baud));
    t.c_cflag |= CLOCAL | CREAD;
    ::tcsetattr(fd_, TCSANOW, &t);
}

BlockingHost::~BlockingHost() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool BlockingHost::Write(const std::uint8_t* data, std::size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd_, data, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        data += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

bool BlockingHost::Read(std::uint8_t* data, std::size_t n, Ms limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (n > 0) {
        const auto left = std::chrono::ceil<Ms>(deadline - std::chrono::steady_clock::now());
        pollfd p{fd_, POLLIN, 0};
        // A reply already waiting is taken even when the time has run out.
        const int ready = ::poll(&p, 1, static_cast<int>(std::max<Ms::rep>(left.count(), 0)));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        const ssize_t r = ::read(fd_, data, n);
        if (r <= 0)
            return false;
        data += r;
        n -= static_cast<std::size_t>(r);
    }
    return true;
}

BlockingHost::Result BlockingHost::Link(std::uint8_t key, int& packetSize, Ms& erase) {
    const std::uint8_t request[6] = {0xC9, 0xDD, 0x55, 0xAA, key, 0xC9};
    std::array<std::uint8_t, 32> r{};
    if (!Write(request, sizeof request) || !Read(r.data(), 8, kCommand))
        return Result::Timeout;
    packetSize = r[6];
    erase = kEraseDefault;
    if (r[4] == 'e' || r[4] == 'd') {
        if (!Read(r.data(), 32, kCommand))
            return Result::Timeout;
        if (r[0] != 0 && r[0] == static_cast<std::uint8_t>(~r[1]))
            erase = Ms(2000 * r[0]);
    }
    return Result::Ok;
}

BlockingHost::Result BlockingHost::Transfer(std::span<const std::uint8_t> data, int packetSize) {
    const auto p = static_cast<std::size_t>(packetSize);
    std::vector<std::uint8_t> reply(2 * p + 2);
    std::size_t pos = 0;
    std::size_t last = 0;
    int count = 0;
    while (pos < data.size()) {
        last = std::min(p, data.size() - pos);
        if (!Write(data.data() + pos, last))
            return Result::Timeout;
        pos += last;
        ++count;
        const std::size_t n = count < 3 ? 1 : p + 1;
        if (!Read(reply.data(), n, kPacket))
            return Result::Timeout;
        if (reply[n - 1] != kAck)
            return Result::BadReply;
    }
    const std::size_t n = count < 2 ? last + 2 : p + last + 2;
    if (!Read(reply.data(), n, kPacket))
        return Result::Timeout;
    return reply[n - 2] == 0xAA && reply[n - 1] == 0x55 ? Result::Ok : Result::BadReply;
}

BlockingHost::Result BlockingHost::Run(std::span<const std::uint8_t> image, bool program) {
    if (fd_ < 0)
        return Result::NoDevice;
    int packetSize = 0;
    Ms erase{};
    if (const Result r = Link(program ? 0xDD : 0x22, packetSize, erase); r != Result::Ok)
        return r;
    std::uint8_t r[4] = {};
    if (program) {
        if (!Read(r, 2, kCommand) || !Read(r, 2, erase))  // erase begun, erase done
            return Result::Timeout;
        const auto n = static_cast<std::uint32_t>(image.size());
        const std::uint8_t length[4] = {std::uint8_t(n), std::uint8_t(n >> 8),
                                        std::uint8_t(n >> 16), std::uint8_t(n >> 24)};
        if (!Write(length, 4) || !Read(r, 4, kCommand))
            return Result::Timeout;
        if (!std::equal(r, r + 4, length))
            return Result::BadReply;
        if (const Result t = Transfer(image, packetSize); t != Result::Ok)
            return t;
    }
    if (!Read(r, 2, kCommand))  // ready for the table
        return Result::Timeout;
    std::vector<std::uint8_t> table(std::size_t{kBlockCount} * 2);
    BuildBlockSums(image, kMaxImageSize, table);
    const std::uint8_t count[4] = {0x00, 0x08, 0x00, 0x00};
    if (!Write(count, 4) || !Read(r, 4, kCommand))
        return Result::Timeout;
    return Transfer(table, packetSize);
}

const char* ResultName(BlockingHost::Result r) {
    switch (r) {
        case BlockingHost::Result::Ok:
            return "ok";
        case BlockingHost::Result::Timeout:
            return "time-out";
        case BlockingHost::Result::BadReply:
            return "bad reply";
        default:
            return "no device";
    }
}
