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

// The wall clock only ever runs late on a loaded machine, so the pacing is checked from below:
// no byte reaches the far end before its time on the wire. How close the line comes to the
// rate itself is measured by the paced job benchmark.
constexpr auto kByteTime = std::chrono::nanoseconds(1'000'000'000 / kSecond);

// Sends at the baud rate: byte i arrives no sooner than i + 1 byte times after the write began.
TEST(Pacer, SendsNoFasterThanTheBaudRate) {
    Host host = OpenPair();
    sim::Wakeup stop;
    sim::PtyLine line(host.pair.Master(), stop.Fd(), kBaud, milliseconds(0));
    const std::vector<std::uint8_t> data(kSecond / 4 + 1, 0x5A);
    const auto start = Clock::now();
    std::thread writer([&] { EXPECT_EQ(line.Write(data), sim::Line::Status::Ok); });

    std::size_t received = 0;
    std::vector<std::uint8_t> buffer(256);
    while (received < data.size()) {
        pollfd p{host.slave.Get(), POLLIN, 0};
        ASSERT_EQ(::poll(&p, 1, 60'000), 1);
        const auto n = ::read(host.slave.Get(), buffer.data(), buffer.size());
        ASSERT_GT(n, 0);
        received += static_cast<std::size_t>(n);
        // The last byte of this read left the line no sooner than its schedule allows. (Late
        // bytes catch up, so the bound runs from the start, not from the first byte.)
        EXPECT_GE(Clock::now() - start, kByteTime * static_cast<int>(received))
            << "after " << received << " bytes";
    }
    writer.join();
}

// Receives at the baud rate: byte i of bytes written at once is released no sooner than i + 1
// byte times after the write.
TEST(Pacer, ReceivesNoFasterThanTheBaudRate) {
    Host host = OpenPair();
    sim::Wakeup stop;
    sim::PtyLine line(host.pair.Master(), stop.Fd(), kBaud, milliseconds(0));
    const std::vector<std::uint8_t> data(kSecond / 4 + 1, 0xA5);
    const auto start = Clock::now();
    ASSERT_EQ(::write(host.slave.Get(), data.data(), data.size()),
              static_cast<ssize_t>(data.size()));

    const auto deadline = Clock::now() + std::chrono::seconds(60);
    for (std::size_t i = 0; i < data.size(); ++i) {
        std::uint8_t byte = 0;
        ASSERT_EQ(line.ReadByte(byte, deadline), sim::Line::Status::Ok);
        ASSERT_EQ(byte, 0xA5);
        EXPECT_GE(Clock::now() - start, kByteTime * static_cast<int>(i + 1)) << "byte " << i;
    }
}

}  // namespace
