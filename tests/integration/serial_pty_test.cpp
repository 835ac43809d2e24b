// CSerialPort over the termios device and a real pseudo-terminal pair: bulk transfer both ways,
// the read time-out, exclusive access, missing devices and a hang-up of the far side.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/com_ports.h"
#include "platform/comm_termios.h"
#include "platform/event.h"
#include "tests/support/port_events.h"
#include "tests/support/pty_pair.h"

namespace {

using namespace std::chrono_literals;
using test_support::PortEventLog;
using test_support::PtyPair;

std::vector<BYTE> Pattern(std::size_t n, int seed) {
    std::vector<BYTE> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = static_cast<BYTE>((i * 131 + seed) ^ (i >> 9));
    return v;
}

std::chrono::nanoseconds ProcessCpuTime() {
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec);
}

class SerialPtyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pty.Ok());
        log.Reset();
        number = platform::MapComDevice(pty.SlavePath());
        ASSERT_GT(number, 0);
        port.SetCallback(PortEventLog::Callback);
    }
    void TearDown() override {
        port.Close();
        log.Reset();
        platform::SetComDevice(number, "");
    }

    PtyPair pty;
    PortEventLog& log = PortEventLog::Get();
    int number = 0;
    CSerialPort port;
};

class SerialPtyTransferTest : public SerialPtyTest,
                              public ::testing::WithParamInterface<std::uint32_t> {};

// 1 MiB each way at once: the port sends 64 KiB at a time from its SPE_WRITE_DONE callback and
// gathers what arrives from its SPE_DATA callback, while the test drives the master side.
TEST_P(SerialPtyTransferTest, OneMebibyteEachWayIntact) {
    constexpr std::size_t kSize = 1 << 20;
    const auto outbound = Pattern(kSize, 3);
    const auto inbound = Pattern(kSize, 5);
    std::vector<BYTE> received;
    received.reserve(kSize);
    std::atomic<std::size_t> sent{0};
    std::atomic<std::uint32_t> sendError{0};
    platform::Event receivedAll(platform::Event::ResetMode::Manual);

    auto sendNext = [&](CSerialPort* p) {
        const std::size_t offset = sent;
        if (offset == kSize)
            return;
        const auto chunk = static_cast<std::uint32_t>(std::min<std::size_t>(65536, kSize - offset));
        sent = offset + chunk;
        if (const auto code = p->Send(outbound.data() + offset, chunk))
            sendError = code;
    };
    log.Reset([&](CSerialPort* p, std::int32_t kind) {
        if (kind == SPE_WRITE_DONE)
            sendNext(p);
        if (kind != SPE_DATA)
            return;
        BYTE buf[4096];
        std::uint32_t got = 0;
        do {
            p->Read(buf, sizeof buf, &got);
            received.insert(received.end(), buf, buf + got);
        } while (got > 0);
        if (received.size() >= kSize)
            receivedAll.Set();
    });

    port.SetReadRequestSize(GetParam());
    ASSERT_EQ(port.Open(number, 115200, 0, 8, 0, 0), SP_OK);

    // The master side: writes the inbound stream and collects the outbound one.
    std::vector<BYTE> fromPort;
    fromPort.reserve(kSize);
    ::fcntl(pty.Master(), F_SETFL, ::fcntl(pty.Master(), F_GETFL) | O_NONBLOCK);
    std::thread master([&] {
        std::size_t written = 0;
        const auto deadline = std::chrono::steady_clock::now() + 120s;
        while ((written < kSize || fromPort.size() < kSize) &&
               std::chrono::steady_clock::now() < deadline) {
            pollfd pfd{pty.Master(), short(POLLIN | (written < kSize ? POLLOUT : 0)), 0};
            if (::poll(&pfd, 1, 1000) <= 0)
                continue;
            if (pfd.revents & POLLIN) {
                BYTE buf[8192];
                const ssize_t n = ::read(pty.Master(), buf, sizeof buf);
                if (n > 0)
                    fromPort.insert(fromPort.end(), buf, buf + n);
            }
            if ((pfd.revents & POLLOUT) && written < kSize) {
                const ssize_t n = ::write(pty.Master(), inbound.data() + written,
                                          std::min<std::size_t>(4096, kSize - written));
                if (n > 0)
                    written += static_cast<std::size_t>(n);
            }
        }
    });
    sendNext(&port);

    const bool complete = receivedAll.Wait(120s);
    master.join();
    port.Close();  // the callbacks touch this test's locals
    ASSERT_TRUE(complete);
    EXPECT_EQ(sendError, 0u);
    EXPECT_EQ(log.Count(SPE_ERROR), 0);
    EXPECT_TRUE(received == inbound);
    EXPECT_TRUE(fromPort == outbound);
}
INSTANTIATE_TEST_SUITE_P(RequestSizes, SerialPtyTransferTest, ::testing::Values(1u, 100u));

// At 9600 bit/s a 100-byte read waits 100 x 2 ms and then finishes with what has come.
TEST_F(SerialPtyTest, ReadTimeOutFinishesAShortRead) {
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(port.Open(number, 9600, 0, 8, 0, 0), SP_OK);
    const BYTE ten[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    ASSERT_EQ(::write(pty.Master(), ten, sizeof ten), 10);
    ASSERT_TRUE(log.WaitFor(SPE_DATA));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 190ms);
    BYTE buf[100];
    std::uint32_t got = 0;
    ASSERT_EQ(port.Read(buf, sizeof buf, &got), SP_OK);
    ASSERT_EQ(got, 10u);
    EXPECT_TRUE(std::equal(ten, ten + 10, buf));
}

TEST_F(SerialPtyTest, HeldPortIsDenied) {
    ASSERT_EQ(port.Open(number, 9600, 0, 8, 0, 0), SP_OK);
    CSerialPort second;
    EXPECT_EQ(second.Open(number, 9600, 0, 8, 0, 0), SP_ACCESS_DENIED);
    port.Close();
    // Released on close, including the exclusive flag the pseudo-terminal would keep.
    EXPECT_EQ(second.Open(number, 9600, 0, 8, 0, 0), SP_OK);
}

TEST_F(SerialPtyTest, OpenCodesOfTheTermiosDevice) {
    const std::string file = (std::filesystem::temp_directory_path() /
                              ("kven_serial_plain_" + std::to_string(::getpid())))
                                 .string();
    std::ofstream(file) << "not a tty";
    struct Case {
        std::string path;
        std::uint8_t parity, byteSize, stopBits;
        std::uint32_t code;
    };
    const Case cases[] = {
        {"", 0, 8, 0, SP_NO_DEVICE},
        {"/dev/kven-no-such-device", 0, 8, 0, SP_NO_DEVICE},
        {"/", 0, 8, 0, SP_OPEN_FAILED},    // a directory
        {file, 0, 8, 0, SP_PURGE_FAILED},  // no terminal: line settings and purge both fail
        {pty.SlavePath(), 5, 8, 0, SP_SET_STATE_FAILED},
        {pty.SlavePath(), 0, 4, 0, SP_SET_STATE_FAILED},
        {pty.SlavePath(), 0, 8, 1, SP_SET_STATE_FAILED},  // 1.5 stop bits need 5 data bits
        {pty.SlavePath(), 3, 5, 1, SP_OK},
        {pty.SlavePath(), 4, 7, 2, SP_OK},
    };
    for (const Case& c : cases) {
        platform::SetComDevice(number, c.path);
        EXPECT_EQ(port.Open(number, 14400, c.parity, c.byteSize, c.stopBits, 0), c.code)
            << c.path << " " << int(c.parity) << int(c.byteSize) << int(c.stopBits);
        port.Close();
    }
    std::filesystem::remove(file);
}

// The far side goes away: one SPE_ERROR, and then the port costs no CPU while it stays open.
TEST_F(SerialPtyTest, HangUpIsReportedOnceAndNeverSpins) {
    port.SetReadRequestSize(1);
    ASSERT_EQ(port.Open(number, 115200, 0, 8, 0, 0), SP_OK);
    pty.CloseMaster();
    ASSERT_TRUE(log.WaitFor(SPE_ERROR));
    EXPECT_EQ(port.GetLastError(), SP_READER_FAILED);

    const auto cpuBefore = ProcessCpuTime();
    std::this_thread::sleep_for(1s);  // a measurement interval, not a synchronisation
    const auto cpu = ProcessCpuTime() - cpuBefore;
    EXPECT_LT(cpu, 100ms) << "CPU time during one second of hang-up";
    EXPECT_EQ(log.Count(SPE_ERROR), 1);
    EXPECT_EQ(log.Count(SPE_DATA), 0);
    port.Close();
    EXPECT_EQ(log.Count(SPE_CLOSED), 1);
}

}  // namespace

namespace {

// A read that waits for data on the termios device: a silent line completes nothing, and once
// bytes come the read ends as a read started again at every time-out would have.
class TermiosWhenData : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pty.Ok());
        ASSERT_EQ(device.Open(pty.SlavePath()), platform::ERROR_SUCCESS);
        platform::COMMTIMEOUTS t{};
        t.ReadTotalTimeoutMultiplier = 20;  // a 4-byte read: periods of 80 ms
        ASSERT_TRUE(device.SetCommTimeouts(t));
        ov.hEvent = &done;
    }
    void TearDown() override { device.Close(); }

    test_support::PtyPair pty;
    platform::TermiosCommDevice device;
    platform::Event done{platform::Event::ResetMode::Manual};
    platform::OVERLAPPED ov;
    BYTE buf[4] = {};
};

TEST_F(TermiosWhenData, ASilentLineEndsNothingAndAFullReadEndsAtOnce) {
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(device.ReadFileWhenData(buf, ov), platform::ERROR_IO_PENDING);
    // Several periods of silence: a plain read would have ended empty long ago.
    EXPECT_FALSE(done.Wait(400ms));
    ASSERT_EQ(::write(pty.Master(), "abcd", 4), 4);
    ASSERT_TRUE(done.Wait(60s));
    DWORD got = 0;
    EXPECT_EQ(device.GetOverlappedResult(ov, &got), platform::ERROR_SUCCESS);
    EXPECT_EQ(got, 4u);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 400ms);
}

TEST_F(TermiosWhenData, AShortReadEndsWithThePeriodItsFirstByteCameIn) {
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(device.ReadFileWhenData(buf, ov), platform::ERROR_IO_PENDING);
    EXPECT_FALSE(done.Wait(100ms));  // into the second period
    ASSERT_EQ(::write(pty.Master(), "ab", 2), 2);
    ASSERT_TRUE(done.Wait(60s));
    DWORD got = 0;
    EXPECT_EQ(device.GetOverlappedResult(ov, &got), platform::ERROR_SUCCESS);
    EXPECT_EQ(got, 2u);
    // Not before the end of the period the bytes came in (the second, ending at 160 ms).
    EXPECT_GE(std::chrono::steady_clock::now() - start, 160ms);
}

}  // namespace
