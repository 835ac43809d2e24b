// CSerialPort over the fake device: Open's codes, the records it configures the device with,
// and the events of opening and closing.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/support/fake_port_fixture.h"

namespace {

using namespace test_support;
using platform::DcbFlags;
using Failures = FakeCommLine::Failures;

class SerialOpenTest : public FakePortTest {};

TEST_F(SerialOpenTest, NewObjectIsClosed) {
    std::uint32_t got = 7;
    BYTE buf[4];
    EXPECT_EQ(port->GetAvailable(), 0u);
    EXPECT_EQ(port->Read(buf, sizeof buf, &got), SP_NOT_OPEN);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(port->Send(buf, 1), SP_NOT_OPEN);
    EXPECT_EQ(port->GetLastError(), 0u);
    const auto s = SerialPortTestAccess::Get(*port);
    EXPECT_EQ(s.portNumber, 1);
    EXPECT_EQ(s.baudRate, 9600u);
    EXPECT_EQ(s.byteSize, 8);
    port->Close();
    EXPECT_TRUE(log.Kinds().empty());
}

TEST_F(SerialOpenTest, ConfiguresTheDevice) {
    ASSERT_EQ(port->Open(3, 115200, 2, 7, 2, 0), SP_OK);
    ASSERT_TRUE(WaitThreadsReady());
    const Status s = line->Snapshot();
    EXPECT_EQ(s.openedName, "COM3");
    EXPECT_EQ(s.commMask, 0u);
    EXPECT_EQ(s.inQueue, 4096u);
    EXPECT_EQ(s.outQueue, 1024u);
    EXPECT_EQ(s.clearErrors, 1);
    // Open purges both queues first; each thread then purges its own.
    ASSERT_EQ(s.purges.size(), 3u);
    EXPECT_EQ(s.purges[0], platform::PURGE_TXCLEAR | platform::PURGE_RXCLEAR);
    EXPECT_TRUE(
        (s.purges[1] == platform::PURGE_RXCLEAR && s.purges[2] == platform::PURGE_TXCLEAR) ||
        (s.purges[1] == platform::PURGE_TXCLEAR && s.purges[2] == platform::PURGE_RXCLEAR));

    ASSERT_TRUE(s.dcb);
    const platform::DCB& d = *s.dcb;
    EXPECT_EQ(d.DCBlength, 28u);
    EXPECT_EQ(d.BaudRate, 115200u);
    EXPECT_EQ(DcbFlags(d), 3u);
    EXPECT_EQ(d.XonLim, 2048);
    EXPECT_EQ(d.XoffLim, 515);
    EXPECT_EQ(d.ByteSize, 7);
    EXPECT_EQ(d.Parity, 2);
    EXPECT_EQ(d.StopBits, 2);
    EXPECT_EQ(d.XonChar, 0x11);
    EXPECT_EQ(d.XoffChar, 0x13);
    EXPECT_EQ(d.ErrorChar, 0x63);
    EXPECT_EQ(d.EofChar, 0);
    EXPECT_EQ(d.EvtChar, 0);

    ASSERT_TRUE(s.timeouts);
    EXPECT_EQ(s.timeouts->ReadIntervalTimeout, 0u);
    EXPECT_EQ(s.timeouts->ReadTotalTimeoutConstant, 0u);
    EXPECT_EQ(s.timeouts->WriteTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(s.timeouts->WriteTotalTimeoutConstant, 0u);

    EXPECT_EQ(port->GetLastError(), 0u);
    EXPECT_EQ(log.Kinds(), std::vector<std::int32_t>{SPE_OPENED});
    EXPECT_EQ(log.Events()[0].thread, std::this_thread::get_id());
    EXPECT_EQ(log.Events()[0].port, port.get());
    // The reader starts its first read at once; no line-event wait without line events.
    ASSERT_TRUE(WaitLine([](const Status& st) { return st.readPending; }));
    EXPECT_EQ(line->Snapshot().pendingReadSize, 100u);
    EXPECT_EQ(line->Snapshot().lineWaitsStarted, 0);
}

// Open returns only after the reader thread has purged the receive queue, so a reply to the
// first Send is never purged away.
TEST_F(SerialOpenTest, BytesArrivingRightAfterOpenAreKept) {
    port->SetReadRequestSize(1);
    ASSERT_EQ(OpenPort(), SP_OK);
    line->Feed(std::vector<BYTE>{0x5A});
    ASSERT_TRUE(log.WaitFor(SPE_DATA));
    EXPECT_EQ(port->GetAvailable(), 1u);
}

TEST_F(SerialOpenTest, LineEventsSetTheMaskAndStartAWait) {
    ASSERT_EQ(OpenPort(1), SP_OK);
    ASSERT_TRUE(WaitLine([](const Status& s) { return s.lineWaitPending; }));
    EXPECT_EQ(line->Snapshot().commMask, platform::EV_RING | platform::EV_RLSD);
}

struct ParityCase {
    std::uint8_t parity;
    DWORD flags;
};
class SerialParityTest : public FakePortTest, public ::testing::WithParamInterface<ParityCase> {};

TEST_P(SerialParityTest, FlagWordAndCodePassedUnchanged) {
    ASSERT_EQ(port->Open(1, 9600, GetParam().parity, 8, 0, 0), SP_OK);
    const Status s = line->Snapshot();
    EXPECT_EQ(DcbFlags(*s.dcb), GetParam().flags);
    EXPECT_EQ(s.dcb->Parity, GetParam().parity);
}
INSTANTIATE_TEST_SUITE_P(Codes, SerialParityTest,
                         ::testing::Values(ParityCase{0, 1}, ParityCase{1, 3}, ParityCase{2, 3},
                                           ParityCase{3, 3}, ParityCase{4, 3}, ParityCase{5, 1},
                                           ParityCase{200, 1}));

struct TimeoutCase {
    std::uint32_t baud;
    DWORD multiplier;
};
class SerialTimeoutTest : public FakePortTest, public ::testing::WithParamInterface<TimeoutCase> {};

TEST_P(SerialTimeoutTest, ReadMultiplierFollowsTheRate) {
    ASSERT_EQ(port->Open(1, GetParam().baud, 0, 8, 0, 0), SP_OK);
    EXPECT_EQ(line->Snapshot().timeouts->ReadTotalTimeoutMultiplier, GetParam().multiplier);
}
INSTANTIATE_TEST_SUITE_P(Rates, SerialTimeoutTest,
                         ::testing::Values(TimeoutCase{110, 137}, TimeoutCase{1200, 13},
                                           TimeoutCase{9600, 2}, TimeoutCase{14400, 2},
                                           TimeoutCase{19200, 1}, TimeoutCase{115200, 1}));

struct FailureCase {
    const char* name;
    Failures failures;
    std::uint32_t code;
};
class SerialOpenFailureTest : public FakePortTest,
                              public ::testing::WithParamInterface<FailureCase> {};

// Every configuration step runs; the last one that failed decides the code. The device is
// closed again, no thread runs and the caller hears SPE_ERROR.
TEST_P(SerialOpenFailureTest, CodeDeviceAndEvents) {
    line->SetFailures(GetParam().failures);
    EXPECT_EQ(port->Open(4, 19200, 1, 7, 0, 0), GetParam().code);
    EXPECT_EQ(port->GetLastError(), GetParam().code);
    EXPECT_EQ(log.Kinds(), std::vector<std::int32_t>{SPE_ERROR});
    const Status s = line->Snapshot();
    EXPECT_FALSE(s.isOpen);
    EXPECT_EQ(s.opens, s.closes);
    EXPECT_EQ(s.readsStarted, 0);
    BYTE b = 0;
    EXPECT_EQ(port->Send(&b, 1), SP_NOT_OPEN);
    // The settings just passed are kept for every code but 9, 20 and 21.
    const auto kept = SerialPortTestAccess::Get(*port);
    EXPECT_EQ(kept.portNumber, 4);
    EXPECT_EQ(kept.baudRate, 19200u);
    EXPECT_EQ(kept.parity, 1);
    EXPECT_EQ(kept.byteSize, 7);
    port->Close();
    EXPECT_EQ(log.Kinds().size(), 1u);  // nothing was open: no SPE_CLOSED
}

Failures Fail(void (*set)(Failures&)) {
    Failures f;
    set(f);
    return f;
}

INSTANTIATE_TEST_SUITE_P(
    Steps, SerialOpenFailureTest,
    ::testing::Values(
        FailureCase{"mask", Fail([](Failures& f) { f.mask = true; }), 1},
        FailureCase{"timeouts", Fail([](Failures& f) { f.timeouts = true; }), 2},
        FailureCase{"state", Fail([](Failures& f) { f.state = true; }), 3},
        FailureCase{"setup", Fail([](Failures& f) { f.setup = true; }), 4},
        FailureCase{"purge", Fail([](Failures& f) { f.purge = true; }), 5},
        FailureCase{"state_and_purge", Fail([](Failures& f) { f.state = f.purge = true; }), 5},
        FailureCase{"mask_and_setup", Fail([](Failures& f) { f.mask = f.setup = true; }), 4},
        FailureCase{
            "all",
            Fail([](Failures& f) { f.mask = f.timeouts = f.state = f.setup = f.purge = true; }), 5},
        FailureCase{"missing", Fail([](Failures& f) { f.open = platform::ERROR_FILE_NOT_FOUND; }),
                    6},
        FailureCase{"denied", Fail([](Failures& f) { f.open = platform::ERROR_ACCESS_DENIED; }), 7},
        FailureCase{"other", Fail([](Failures& f) { f.open = platform::ERROR_GEN_FAILURE; }), 8},
        FailureCase{"other_param",
                    Fail([](Failures& f) { f.open = platform::ERROR_INVALID_PARAMETER; }), 8}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(SerialOpenTest, PortNumberTooHighKeepsTheOldSettings) {
    ASSERT_EQ(port->Open(7, 4800, 2, 7, 2, 0), SP_OK);
    const int opens = line->Snapshot().opens;
    log.Reset();
    for (std::int32_t n : {256, 1000}) {
        EXPECT_EQ(port->Open(n, 115200, 0, 8, 0, 1), SP_BAD_PORT_NUMBER);
        const auto s = SerialPortTestAccess::Get(*port);
        EXPECT_EQ(s.portNumber, 7);
        EXPECT_EQ(s.baudRate, 4800u);
        EXPECT_EQ(s.parity, 2);
        EXPECT_EQ(s.byteSize, 7);
        EXPECT_EQ(s.stopBits, 2);
        EXPECT_EQ(s.lineEvents, 0u);
    }
    EXPECT_EQ(line->Snapshot().opens, opens);
    // The open port was closed first.
    EXPECT_EQ(log.Kinds(), (std::vector<std::int32_t>{SPE_CLOSED, SPE_ERROR, SPE_ERROR}));
    EXPECT_EQ(port->Open(255, 9600, 0, 8, 0, 0), SP_OK);
    EXPECT_EQ(line->Snapshot().openedName, "COM255");
}

struct AllocationCase {
    serial_testing::AllocationFailures failures;
    std::int32_t portNumber;
    std::uint32_t code;
    bool deviceOpened;
};
class SerialAllocationTest : public FakePortTest,
                             public ::testing::WithParamInterface<AllocationCase> {};

TEST_P(SerialAllocationTest, MissingPartsAreReportedByOpen) {
    serial_testing::SetAllocationFailures(GetParam().failures);
    CSerialPort p;
    p.SetCallback(PortEventLog::Callback);
    serial_testing::SetAllocationFailures({});
    EXPECT_EQ(p.Open(GetParam().portNumber, 9600, 0, 8, 0, 0), GetParam().code);
    EXPECT_EQ(p.GetLastError(), GetParam().code);
    EXPECT_EQ(log.Kinds(), std::vector<std::int32_t>{SPE_ERROR});
    const Status s = line->Snapshot();
    EXPECT_EQ(s.opens, GetParam().deviceOpened ? 1 : 0);
    EXPECT_FALSE(s.isOpen);
}
INSTANTIATE_TEST_SUITE_P(Parts, SerialAllocationTest,
                         ::testing::Values(AllocationCase{{true, false, false}, 1, 20, false},
                                           AllocationCase{{false, true, false}, 1, 21, false},
                                           AllocationCase{{true, true, false}, 1, 21, false},
                                           AllocationCase{{true, false, false}, 300, 20, false},
                                           AllocationCase{{false, false, true}, 1, 10, true},
                                           AllocationCase{{false, false, true}, 256, 9, false}));

TEST_F(SerialOpenTest, SetReadRequestSizeIsClampedToTheBuffer) {
    port->SetReadRequestSize(70000);
    ASSERT_EQ(OpenPort(), SP_OK);
    ASSERT_TRUE(WaitLine([](const Status& s) { return s.readPending; }));
    EXPECT_EQ(line->Snapshot().pendingReadSize, 65536u);
}

struct ThreadFailureCase {
    int failingStart;  // 1: the reader, 2: the writer
    std::uint32_t code;
};
class SerialThreadStartTest : public FakePortTest,
                              public ::testing::WithParamInterface<ThreadFailureCase> {};

TEST_P(SerialThreadStartTest, FailureClosesTheDeviceAndStopsTheReader) {
    std::atomic<int> starts{0};
    const int failing = GetParam().failingStart;
    platform::SetThreadStartFailureHook([&] { return ++starts == failing; });
    EXPECT_EQ(OpenPort(), GetParam().code);
    platform::SetThreadStartFailureHook({});
    EXPECT_EQ(log.Kinds(), std::vector<std::int32_t>{SPE_ERROR});
    const Status s = line->Snapshot();
    EXPECT_FALSE(s.isOpen);
    BYTE b = 0;
    std::uint32_t got = 0;
    EXPECT_EQ(port->Read(&b, 1, &got), SP_NOT_OPEN);
    // The port opens normally afterwards: the stopped reader took its stop event with it.
    log.Reset();
    ASSERT_EQ(OpenPort(), SP_OK);
    Feed(std::vector<BYTE>(100, 0x42));
    ASSERT_TRUE(log.WaitFor(SPE_DATA));
}
INSTANTIATE_TEST_SUITE_P(Threads, SerialThreadStartTest,
                         ::testing::Values(ThreadFailureCase{1, 11}, ThreadFailureCase{2, 12}));

TEST_F(SerialOpenTest, OpenOnAnOpenPortClosesItFirst) {
    ASSERT_EQ(OpenPort(), SP_OK);
    ASSERT_EQ(OpenPort(), SP_OK);
    Failures f;
    f.state = true;
    line->SetFailures(f);
    EXPECT_EQ(OpenPort(), SP_SET_STATE_FAILED);
    EXPECT_EQ(log.Kinds(), (std::vector<std::int32_t>{SPE_OPENED, SPE_CLOSED, SPE_OPENED,
                                                      SPE_CLOSED, SPE_ERROR}));
    EXPECT_EQ(line->Snapshot().closes, 3);
}

TEST_F(SerialOpenTest, CloseDeliversOnceAndOnlyWhenOpen) {
    ASSERT_EQ(OpenPort(), SP_OK);
    port->Close();
    port->Close();
    EXPECT_EQ(log.Kinds(), (std::vector<std::int32_t>{SPE_OPENED, SPE_CLOSED}));
    EXPECT_EQ(log.Events()[1].thread, std::this_thread::get_id());
    BYTE b = 0;
    EXPECT_EQ(port->Send(&b, 1), SP_NOT_OPEN);

    // Destroying an open port closes it.
    ASSERT_EQ(OpenPort(), SP_OK);
    port.reset();
    EXPECT_EQ(log.Count(SPE_CLOSED), 2);
    EXPECT_EQ(line->Snapshot().devices, 0);
}

}  // namespace
