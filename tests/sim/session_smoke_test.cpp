// A whole Program session and a whole EEP Sum session against the simulator, driven by a
// minimal blocking host over the pseudo-terminal; and the simulator attached to an existing
// terminal, as on a virtual machine's serial port.
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <numeric>
#include <utility>
#include <vector>

#include "../support/pty_pair.h"
#include "platform/unique_fd.h"
#include "sim/simulator.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr int kWaitMs = 10'000;

class TinyHost {
  public:
    explicit TinyHost(const std::string& path)
        : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)) {}
    explicit TinyHost(platform::UniqueFd fd) : fd_(std::move(fd)) {}
    bool Ok() const { return fd_.Valid(); }

    void Write(const Bytes& bytes) {
        ASSERT_EQ(::write(fd_.Get(), bytes.data(), bytes.size()),
                  static_cast<ssize_t>(bytes.size()));
    }
    Bytes Read(std::size_t count) {
        Bytes out(count);
        std::size_t got = 0;
        while (got < count) {
            pollfd p{fd_.Get(), POLLIN, 0};
            if (::poll(&p, 1, kWaitMs) != 1) {
                ADD_FAILURE() << "no reply after " << got << " of " << count << " bytes";
                out.resize(got);
                return out;
            }
            const auto n = ::read(fd_.Get(), out.data() + got, count - got);
            if (n <= 0) {
                ADD_FAILURE() << "read failed";
                out.resize(got);
                return out;
            }
            got += static_cast<std::size_t>(n);
        }
        return out;
    }
    // Sends `data` in packets and checks the delayed read-back, as a host does.
    void Transfer(const Bytes& data, std::size_t packetSize) {
        Bytes readBack;
        std::size_t sent = 0;
        std::size_t packets = 0;
        while (sent < data.size()) {
            const std::size_t length = std::min(packetSize, data.size() - sent);
            Write(Bytes(data.begin() + sent, data.begin() + sent + length));
            sent += length;
            ++packets;
            const Bytes ack = Read(packets < 3 ? 1 : packetSize + 1);
            ASSERT_FALSE(ack.empty());
            ASSERT_EQ(ack.back(), 0xAA);
            readBack.insert(readBack.end(), ack.begin(), ack.end() - 1);
        }
        const std::size_t owed = data.size() - readBack.size();
        const Bytes end = Read(owed + 2);
        ASSERT_EQ(end.size(), owed + 2);
        EXPECT_EQ(Bytes(end.end() - 2, end.end()), (Bytes{0xAA, 0x55}));
        readBack.insert(readBack.end(), end.begin(), end.end() - 2);
        EXPECT_EQ(readBack, data);
    }
    void ChecksumPhase(const Bytes& table, std::size_t packetSize) {
        EXPECT_EQ(Read(2), (Bytes{0xAA, 0x55}));
        Write({0x00, 0x08, 0x00, 0x00});
        EXPECT_EQ(Read(4), (Bytes{0x00, 0x08, 0x00, 0x00}));
        Transfer(table, packetSize);
    }

  private:
    platform::UniqueFd fd_;
};

Bytes Pattern(std::size_t size, std::uint8_t seed) {
    Bytes bytes(size);
    std::iota(bytes.begin(), bytes.end(), seed);
    return bytes;
}

TEST(SimulatorSmoke, ProgramThenEepSum) {
    sim::LoaderConfig config;
    config.versionWord = 0x0217;
    config.letter = 'e';
    config.packetSize = 16;
    config.eraseUnits = 5;
    config.eraseScale = 0.01;
    std::string error;
    auto simulator = sim::Simulator::Start(config, {}, &error);
    ASSERT_TRUE(simulator) << error;

    const Bytes image = Pattern(100, 7);  // 6 full packets and one of 4 bytes
    const Bytes table = Pattern(2048, 1);
    {
        TinyHost host(simulator->SlavePath());
        ASSERT_TRUE(host.Ok());
        host.Write({0xC9, 0xDD, 0x55, 0xAA, 0xDD, 0xC9});
        EXPECT_EQ(host.Read(8), (Bytes{0x02, 0x17, 0xFD, 0xE8, 'e', 0x9A, 16, 0xEF}));
        const Bytes info = host.Read(32);
        EXPECT_EQ(info[0], 5);
        EXPECT_EQ(info[1], 0xFA);
        EXPECT_EQ(host.Read(2), (Bytes{0xAA, 0x55}));
        EXPECT_EQ(host.Read(2), (Bytes{0x55, 0xAA}));
        host.Write({100, 0, 0, 0});
        EXPECT_EQ(host.Read(4), (Bytes{100, 0, 0, 0}));
        host.Transfer(image, 16);
        host.ChecksumPhase(table, 16);
    }
    auto program = simulator->WaitForSession(std::chrono::milliseconds(kWaitMs));
    ASSERT_TRUE(program);
    EXPECT_EQ(program->ending, sim::Ending::Complete);
    EXPECT_EQ(program->mode, sim::Mode::Program);
    EXPECT_EQ(program->phase, sim::Phase::Complete);
    EXPECT_EQ(program->imagePackets, 7u);
    EXPECT_EQ(program->sumPackets, 128u);
    EXPECT_EQ(program->bytesIn, 6u + 4u + 100u + 4u + 2048u);
    EXPECT_EQ(program->bytesOut,
              8u + 32u + 2u + 2u + 4u + 100u + 7u + 2u + 2u + 4u + 2048u + 128u + 2u);
    ASSERT_EQ(program->flash->size(), sim::kFlashSize);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), program->flash->begin()));
    EXPECT_EQ((*program->flash)[image.size()], 0xFF);
    EXPECT_EQ(program->sums, table);

    const Bytes table2 = Pattern(2048, 99);
    {
        TinyHost host(simulator->SlavePath());
        ASSERT_TRUE(host.Ok());
        host.Write({0xC9, 0xDD, 0x55, 0xAA, 0x22, 0xC9});
        EXPECT_EQ(host.Read(8).size(), 8u);
        EXPECT_EQ(host.Read(32).size(), 32u);
        host.ChecksumPhase(table2, 16);
    }
    auto eep = simulator->WaitForSession(std::chrono::milliseconds(kWaitMs));
    ASSERT_TRUE(eep);
    EXPECT_EQ(eep->ending, sim::Ending::Complete);
    EXPECT_EQ(eep->mode, sim::Mode::EepSum);
    EXPECT_EQ(eep->imagePackets, 0u);
    EXPECT_EQ(eep->sums, table2);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), eep->flash->begin()));  // kept
}

// Attached to an existing terminal or unix socket, whose far end plays the host (as a virtual
// machine does with its serial port); when that end goes away, the simulator ends instead of
// serving a dead line.
void ServeAttached(const std::string& path, std::function<platform::UniqueFd()> farEnd,
                   std::function<void()> goAway) {
    sim::LoaderConfig config;
    config.packetSize = 64;
    sim::SimulatorOptions options;
    options.devicePath = path;
    std::string error;
    auto simulator = sim::Simulator::Start(config, options, &error);
    ASSERT_TRUE(simulator) << error;
    EXPECT_EQ(simulator->SlavePath(), path);

    const Bytes table = Pattern(2048, 3);
    {
        TinyHost host(farEnd());
        ASSERT_TRUE(host.Ok());
        host.Write({0xC9, 0xDD, 0x55, 0xAA, 0x22, 0xC9});
        EXPECT_EQ(host.Read(8), (Bytes{0x01, 0x23, 0xFE, 0xDC, 'A', 0xBE, 64, 0xBF}));
        host.ChecksumPhase(table, 64);
    }
    auto eep = simulator->WaitForSession(std::chrono::milliseconds(kWaitMs));
    ASSERT_TRUE(eep);
    EXPECT_EQ(eep->ending, sim::Ending::Complete);
    EXPECT_EQ(eep->sums, table);

    goAway();
    EXPECT_FALSE(simulator->WaitForSession(std::chrono::milliseconds(kWaitMs)));
    EXPECT_TRUE(simulator->Ended());
}

TEST(SimulatorSmoke, AttachedToAnExistingTerminal) {
    test_support::PtyPair terminal;
    ASSERT_TRUE(terminal.Ok());
    ServeAttached(
        terminal.SlavePath(), [&] { return platform::UniqueFd(::dup(terminal.Master())); },
        [&] { terminal.CloseMaster(); });
}

TEST(SimulatorSmoke, AttachedToAUnixSocket) {
    const std::string path =
        ::testing::TempDir() + "kven-sim-attach-" + std::to_string(::getpid()) + ".sock";
    ::unlink(path.c_str());
    platform::UniqueFd listener(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof address.sun_path);
    std::memcpy(address.sun_path, path.c_str(), path.size());
    ASSERT_EQ(::bind(listener.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address),
              0);
    ASSERT_EQ(::listen(listener.Get(), 1), 0);
    platform::UniqueFd connection;
    ServeAttached(
        path,
        [&] {
            connection.Reset(::accept4(listener.Get(), nullptr, nullptr, SOCK_CLOEXEC));
            return platform::UniqueFd(::dup(connection.Get()));
        },
        [&] {
            connection.Reset();
            listener.Reset();
        });
    ::unlink(path.c_str());
}

}  // namespace
