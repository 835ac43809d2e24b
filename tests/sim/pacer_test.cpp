#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "platform/unique_fd.h"
#include "sim/pacer.h"
#include "sim/pty.h"
#include "sim/pty_line.h"
#include "sim/wakeup.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using std::chrono::nanoseconds;

TEST(Pacer, SchedulesBurstsFromTheirStart) {
    sim::Pacer pacer(9600);  // 10 bits a byte: 960 bytes a second
    const Clock::time_point t0{};
    EXPECT_EQ(pacer.Enqueue(t0, 960), 0u);
    EXPECT_EQ(pacer.Due(0) - t0, nanoseconds(1'041'666));
    EXPECT_EQ(pacer.Due(959) - t0, std::chrono::seconds(1));  // no rounding drift
    // Handed over while the line is busy: follows without a gap.
    EXPECT_EQ(pacer.Enqueue(t0 + milliseconds(500), 960), 960u);
    EXPECT_EQ(pacer.Due(1919) - t0, std::chrono::seconds(2));
    // Handed over on an idle line: a new burst starts then.
    const auto later = t0 + std::chrono::seconds(5);
    EXPECT_EQ(pacer.Enqueue(later, 1), 1920u);
    EXPECT_EQ(pacer.Due(1920) - later, nanoseconds(1'041'666));
    EXPECT_EQ(sim::Pacer::WireTime(11'520, 115'200), std::chrono::seconds(1));
}

constexpr std::uint32_t kBaud = 19'200;      // 1,920 bytes a second
constexpr std::size_t kSecond = kBaud / 10;  // bytes in one second
constexpr double kTolerance = 0.02;

struct Host {
    sim::PtyPair pair;
    platform::UniqueFd slave;
};

Host OpenPair() {
    std::string error;
    auto pair = sim::PtyPair::Open(&error);
    EXPECT_TRUE(pair) << error;
    platform::UniqueFd slave(::open(pair->SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    EXPECT_TRUE(slave.Valid());
    return {std::move(*pair), std::move(slave)};
}

// Sends at the baud rate: the host sees kSecond bytes take one second, within 2 %.
TEST(Pacer, SendsAtTheBaudRate) {
    Host host = OpenPair();
    sim::Wakeup stop;
    sim::PtyLine line(host.pair.Master(), stop.Fd(), kBaud, milliseconds(0));
    const std::vector<std::uint8_t> data(kSecond + 1, 0x5A);
    std::thread writer([&] { EXPECT_EQ(line.Write(data), sim::Line::Status::Ok); });

    std::size_t received = 0;
    Clock::time_point first{};
    Clock::time_point last{};
    std::vector<std::uint8_t> buffer(256);
    while (received < data.size()) {
        pollfd p{host.slave.Get(), POLLIN, 0};
        ASSERT_EQ(::poll(&p, 1, 10'000), 1);
        const auto n = ::read(host.slave.Get(), buffer.data(), buffer.size());
        ASSERT_GT(n, 0);
        last = Clock::now();
        if (received == 0) {
            first = last;
        }
        received += static_cast<std::size_t>(n);
    }
    writer.join();
    // The first byte marks time zero; the other kSecond bytes take one second.
    const double seconds = std::chrono::duration<double>(last - first).count();
    EXPECT_NEAR(static_cast<double>(kSecond) / seconds, static_cast<double>(kSecond),
                kTolerance * kSecond);
}

// Receives at the baud rate: bytes written at once are released one byte time apart.
TEST(Pacer, ReceivesAtTheBaudRate) {
    Host host = OpenPair();
    sim::Wakeup stop;
    sim::PtyLine line(host.pair.Master(), stop.Fd(), kBaud, milliseconds(0));
    const std::vector<std::uint8_t> data(kSecond + 1, 0xA5);
    ASSERT_EQ(::write(host.slave.Get(), data.data(), data.size()),
              static_cast<ssize_t>(data.size()));

    Clock::time_point first{};
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    for (std::size_t i = 0; i < data.size(); ++i) {
        std::uint8_t byte = 0;
        ASSERT_EQ(line.ReadByte(byte, deadline), sim::Line::Status::Ok);
        ASSERT_EQ(byte, 0xA5);
        if (i == 0) {
            first = Clock::now();
        }
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - first).count();
    EXPECT_NEAR(static_cast<double>(kSecond) / seconds, static_cast<double>(kSecond),
                kTolerance * kSecond);
}

}  // namespace
