// CSerialPort over the fake device: Send, Read, the reader and writer threads, line events and
// the thread failure rules.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <numeric>
#include <thread>

#include "tests/support/fake_port_fixture.h"

namespace {

using namespace test_support;
using Failures = FakeCommLine::Failures;

std::vector<BYTE> Pattern(std::size_t n, int seed = 1) {
    std::vector<BYTE> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = static_cast<BYTE>(i * 31 + seed);
    return v;
}

class SerialSendTest : public FakePortTest {};

// Codes are tested in the order 19, 15, 16, and a null source returns 17 before any of them.
TEST_F(SerialSendTest, CodePrecedence) {
    const auto data = Pattern(65537);
    struct Case {
        const BYTE* data;
        std::uint32_t length;
        std::uint32_t closed;
        std::uint32_t busy;
    };
    const Case cases[] = {
        {nullptr, 1, 17, 17},
        {nullptr, 65537, 17, 17},
        {data.data(), 65537, 16, 16},
        {data.data(), 10, 19, 15},
    };
    for (const Case& c : cases)
        EXPECT_EQ(port->Send(c.data, c.length), c.closed);

    line->HoldWrites(true);
    ASSERT_EQ(OpenPort(), SP_OK);
    ASSERT_EQ(port->Send(data.data(), 1), SP_OK);
    for (const Case& c : cases)
        EXPECT_EQ(port->Send(c.data, c.length), c.busy);
    ASSERT_TRUE(WaitLine([](const Status& s) { return s.writePending; }));
    line->CompleteWrite();
    ASSERT_TRUE(log.WaitFor(SPE_WRITE_DONE));
    EXPECT_EQ(log.Count(SPE_ERROR), 0);
}

TEST_F(SerialSendTest, WholeBufferIsCopiedAndWritten) {
    line->HoldWrites(true);
    ASSERT_EQ(OpenPort(), SP_OK);
    auto data = Pattern(65536);
    const auto expected = data;
    ASSERT_EQ(port->Send(data.data(), 65536), SP_OK);
    std::fill(data.begin(), data.end(), BYTE{0});  // the caller's buffer is free at once
    ASSERT_TRUE(WaitLine([](const Status& s) { return s.writePending; }));
    EXPECT_EQ(line->Snapshot().written, expected);
    EXPECT_EQ(log.Count(SPE_WRITE_DONE), 0);
    line->CompleteWrite();
    ASSERT_TRUE(log.WaitFor(SPE_WRITE_DONE));
    EXPECT_NE(log.Events().back().thread, std::this_thread::get_id());
}

TEST_F(SerialSendTest, SendFromInsideWriteDoneIsAccepted) {
    const auto first = Pattern(300, 1);
    const auto second = Pattern(200, 2);
    std::atomic<std::uint32_t> code{99};
    std::atomic<int> calls{0};
    log.Reset([&](CSerialPort* p, std::int32_t kind) {
        if (kind == SPE_WRITE_DONE && calls++ == 0)
            code = p->Send(second.data(), 200);
    });
    ASSERT_EQ(OpenPort(), SP_OK);
    ASSERT_EQ(port->Send(first.data(), 300), SP_OK);
    ASSERT_TRUE(log.WaitFor(SPE_WRITE_DONE, 2));
    EXPECT_EQ(code, SP_OK);
    auto expected = first;
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(line->Snapshot().written, expected);
    port->Close();  // no callback may run once the locals it uses are gone
}

TEST_F(SerialSendTest, EmptySendIsWrittenAndReported) {
    ASSERT_EQ(OpenPort(), SP_OK);
    const BYTE b = 0;
    ASSERT_EQ(port->Send(&b, 0), SP_OK);
    ASSERT_TRUE(log.WaitFor(SPE_WRITE_DONE));
    EXPECT_EQ(line->Snapshot().writesStarted, 1);
    EXPECT_TRUE(line->Snapshot().written.empty());
}

// A write that fails to start stops the direction (m_writeBusy stays set); one that fails to
// finish does not.
TEST_F(SerialSendTest, WriterFailures) {
    struct Case {
        bool atStart;
        std::uint32_t nextSend;
    };
    for (const Case c : {Case{true, SP_WRITE_BUSY}, Case{false, SP_OK}}) {
        SCOPED_TRACE(c.atStart ? "start" : "finish");
        log.Reset();
        Failures f;
        (c.atStart ? f.writeStart : f.writeResult) = platform::ERROR_GEN_FAILURE;
        line->SetFailures(f);
        ASSERT_EQ(OpenPort(), SP_OK);
        const BYTE b = 1;
        ASSERT_EQ(port->Send(&b, 1), SP_OK);
        ASSERT_TRUE(log.WaitFor(SPE_ERROR));
        EXPECT_EQ(port->GetLastError(), SP_WRITER_FAILED);
        EXPECT_EQ(log.Count(SPE_WRITE_DONE), 0);
        line->SetFailures({});
        EXPECT_EQ(port->Send(&b, 1), c.nextSend);
        port->Close();
    }
}

class SerialReadTest : public FakePortTest {
  protected:
    // Waits until the reader has started read number `n` (so every earlier pass is over).
    bool WaitReads(int n) {
        return WaitLine([n](const Status& s) { return s.readsStarted >= n && s.readPending; });
    }
};

TEST_F(SerialReadTest, NullDestination) {
    std::uint32_t got = 5;
    EXPECT_EQ(port->Read(nullptr, 4, &got), SP_NO_DESTINATION);  // 18 replaces 19
    EXPECT_EQ(got, 0u);
    ASSERT_EQ(OpenPort(), SP_OK);
    got = 5;
    EXPECT_EQ(port->Read(nullptr, 4, &got), SP_NO_DESTINATION);
    EXPECT_EQ(got, 0u);
}

TEST_F(SerialReadTest, PartialReadsLeaveTheRest) {
    port->SetReadRequestSize(10);
    ASSERT_EQ(OpenPort(), SP_OK);
    ASSERT_TRUE(WaitReads(1));
    const auto data = Pattern(10);
    Feed(data);
    ASSERT_TRUE(log.WaitFor(SPE_DATA));
    EXPECT_NE(log.Events().back().thread, std::this_thread::get_id());
    EXPECT_EQ(port->GetAvailable(), 10u);
    BYTE buf[16] = {};
    std::uint32_t got = 0;
    ASSERT_EQ(port->Read(buf, 4, &got), SP_OK);
    EXPECT_EQ(got, 4u);
    EXPECT_EQ(port->GetAvailable(), 6u);
    ASSERT_EQ(port->Read(buf + 4, 16, &got), SP_OK);
    EXPECT_EQ(got, 6u);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), buf));
    ASSERT_EQ(port->Read(buf, 16, &got), SP_OK);
    EXPECT_EQ(got, 0u);
}

TEST_F(SerialReadTest, RequestSizeTakesEffectAtTheNextRead) {
    ASSERT_EQ(OpenPort(), SP_OK);
    ASSERT_TRUE(WaitReads(1));
    EXPECT_EQ(line->Snapshot().pendingReadSize, 100u);
    port->SetReadRequestSize(2);
    EXPECT_EQ(line->Snapshot().pendingReadSize, 100u);
    line->FinishRead();
    ASSERT_TRUE(WaitReads(2));
    EXPECT_EQ(line->Snapshot().pendingReadSize, 2u);
    port->SetReadRequestSize(0);  // at least one byte
    line->FinishRead();
    ASSERT_TRUE(WaitReads(3));
    EXPECT_EQ(line->Snapshot().pendingReadSize, 1u);
}

// An empty completion repeats SPE_DATA only while unread bytes remain.
TEST_F(SerialReadTest, EmptyCompletions) {
    port->SetReadRequestSize(4);
    ASSERT_EQ(OpenPort(), SP_OK);
    ASSERT_TRUE(WaitReads(1));
    line->FinishRead();
    ASSERT_TRUE(WaitReads(2));
    EXPECT_EQ(log.Count(SPE_DATA), 0);

    Feed({1, 2});
    line->FinishRead();
    ASSERT_TRUE(log.WaitFor(SPE_DATA, 1));
    ASSERT_TRUE(WaitReads(3));
    line->FinishRead();
    ASSERT_TRUE(log.WaitFor(SPE_DATA, 2));
    EXPECT_EQ(port->GetAvailable(), 2u);
    // Only a read whose empty end would deliver nothing may wait for data: the first two had
    // nothing unread behind them, the third and fourth had the two bytes.
    ASSERT_TRUE(WaitReads(4));
    const auto status = line->Snapshot();
    EXPECT_EQ(status.readsStarted - status.readsWhenData, 2);
}

// Once everything is read the next read starts at the front of the buffer again, so a long
// stream never fills it.
TEST_F(SerialReadTest, BufferRestartsWhenEmptied) {
    std::mutex mu;
    std::vector<BYTE> received;
    log.Reset([&](CSerialPort* p, std::int32_t kind) {
        if (kind != SPE_DATA)
            return;
        std::vector<BYTE> chunk(p->GetAvailable());
        std::uint32_t got = 0;
        p->Read(chunk.data(), static_cast<std::uint32_t>(chunk.size()), &got);
        std::lock_guard lock(mu);
        received.insert(received.end(), chunk.begin(), chunk.begin() + got);
    });
    port->SetReadRequestSize(40000);
    ASSERT_EQ(OpenPort(), SP_OK);
    std::vector<BYTE> sent;
    for (int round = 0; round < 4; ++round) {
        ASSERT_TRUE(WaitReads(round + 1));
        EXPECT_EQ(line->Snapshot().pendingReadSize, 40000u);
        const auto data = Pattern(40000, round);
        sent.insert(sent.end(), data.begin(), data.end());
        Feed(data);
        ASSERT_TRUE(log.WaitFor(SPE_DATA, round + 1));
    }
    ASSERT_TRUE(WaitReads(5));  // the last callback has returned
    port->Close();
    std::lock_guard lock(mu);
    EXPECT_EQ(received, sent);
    EXPECT_EQ(log.Count(SPE_ERROR), 0);
}

// A read never asks for more than is free at the end; a full buffer gives 22 and stops reading
// until the port is opened again.
TEST_F(SerialReadTest, FullBufferStopsReading) {
    port->SetReadRequestSize(40000);
    ASSERT_EQ(OpenPort(), SP_OK);
    ASSERT_TRUE(WaitReads(1));
    Feed(Pattern(40000));
    ASSERT_TRUE(WaitReads(2));
    EXPECT_EQ(line->Snapshot().pendingReadSize, 65536u - 40000u);
    BYTE one = 0;
    std::uint32_t got = 0;
    ASSERT_EQ(port->Read(&one, 1, &got), SP_OK);  // unread bytes remain: no restart
    Feed(Pattern(65536 - 40000));
    ASSERT_TRUE(log.WaitFor(SPE_ERROR));
    EXPECT_EQ(port->GetLastError(), SP_RX_FULL);
    EXPECT_EQ(port->GetAvailable(), 65535u);
    std::vector<BYTE> all(65536);
    ASSERT_EQ(port->Read(all.data(), 65536, &got), SP_OK);
    EXPECT_EQ(got, 65535u);
    line->Feed(std::vector<BYTE>{9});
    EXPECT_EQ(line->Snapshot().readsStarted, 2);
    EXPECT_FALSE(line->Snapshot().readPending);

    ASSERT_EQ(OpenPort(), SP_OK);  // reopening starts reading again
    ASSERT_TRUE(WaitReads(3));
}

// A read that fails to start stops reading; one whose result cannot be fetched does not.
TEST_F(SerialReadTest, ReaderFailures) {
    Failures f;
    f.readResult = platform::ERROR_GEN_FAILURE;
    line->SetFailures(f);
    ASSERT_EQ(OpenPort(), SP_OK);
    ASSERT_TRUE(WaitReads(1));
    line->FinishRead();
    ASSERT_TRUE(log.WaitFor(SPE_ERROR));
    EXPECT_EQ(port->GetLastError(), SP_READER_FAILED);
    ASSERT_TRUE(WaitReads(2));

    f = {};
    f.readStart = platform::ERROR_GEN_FAILURE;
    line->SetFailures(f);
    line->FinishRead();  // succeeds (empty); the next start fails
    ASSERT_TRUE(log.WaitFor(SPE_ERROR, 2));
    line->SetFailures({});
    line->Feed(std::vector<BYTE>{1, 2, 3});
    EXPECT_EQ(line->Snapshot().readsStarted, 2);
    EXPECT_EQ(port->GetAvailable(), 0u);
}

class SerialLineEventTest : public FakePortTest {};

TEST_F(SerialLineEventTest, DispatchFollowsMaskAndLineState) {
    using platform::EV_RING;
    using platform::EV_RLSD;
    using platform::MS_RING_ON;
    using platform::MS_RLSD_ON;
    struct Case {
        DWORD mask;
        DWORD status;
        bool statusFails;
        std::vector<std::int32_t> kinds;
    };
    const Case cases[] = {
        {EV_RING | EV_RLSD, MS_RING_ON | MS_RLSD_ON, false, {SPE_RING, SPE_CARRIER_ON}},
        {EV_RING, MS_RING_ON, false, {SPE_RING}},
        {EV_RING, MS_RLSD_ON, false, {}},
        {EV_RLSD, MS_RLSD_ON, false, {SPE_CARRIER_ON}},
        {EV_RLSD, MS_RING_ON, false, {SPE_CARRIER_OFF}},
        {EV_RING | EV_RLSD, MS_RING_ON | MS_RLSD_ON, true, {SPE_CARRIER_OFF}},
    };
    ASSERT_EQ(OpenPort(1), SP_OK);
    int waits = 1;
    for (const Case& c : cases) {
        ASSERT_TRUE(WaitLine(
            [&](const Status& s) { return s.lineWaitsStarted >= waits && s.lineWaitPending; }));
        log.Reset();
        Failures f;
        f.modemStatus = c.statusFails;
        line->SetFailures(f);
        line->SetModemStatus(c.status);
        line->RaiseLineEvent(c.mask);
        ++waits;
        // The next wait starts after this one's events have been delivered.
        ASSERT_TRUE(WaitLine([&](const Status& s) { return s.lineWaitsStarted >= waits; }));
        EXPECT_EQ(log.Kinds(), c.kinds);
    }
}

TEST_F(SerialLineEventTest, WaitFailures) {
    ASSERT_EQ(OpenPort(1), SP_OK);
    ASSERT_TRUE(WaitLine([](const Status& s) { return s.lineWaitPending; }));
    Failures f;
    f.lineResult = platform::ERROR_GEN_FAILURE;
    f.lineStart = platform::ERROR_GEN_FAILURE;
    line->SetFailures(f);
    line->RaiseLineEvent(platform::EV_RLSD);  // finishes with a failure; the next start fails
    ASSERT_TRUE(log.WaitFor(SPE_ERROR, 2));
    EXPECT_EQ(port->GetLastError(), SP_READER_FAILED);
    EXPECT_EQ(log.Count(SPE_CARRIER_OFF), 0);
    EXPECT_EQ(line->Snapshot().lineWaitsStarted, 1);
    // Reading goes on.
    line->SetFailures({});
    Feed(Pattern(100));
    ASSERT_TRUE(log.WaitFor(SPE_DATA));
}

// A callback that blocks longer than Close waits: the object may go, its state stays with the
// thread, and nothing is delivered after the object is gone.
class SerialLifetimeTest : public FakePortTest {
  protected:
    void BlockFirstData() {
        log.Reset([this](CSerialPort*, std::int32_t kind) {
            if (kind != SPE_DATA)
                return;
            entered.Set();
            release.Wait(std::chrono::seconds(30));
        });
    }
    platform::Event entered{platform::Event::ResetMode::Manual};
    platform::Event release{platform::Event::ResetMode::Manual};
};

TEST_F(SerialLifetimeTest, DestroyWhileCallbackBlocks) {
    serial_testing::SetCloseWait(std::chrono::milliseconds(50));
    BlockFirstData();
    port->SetReadRequestSize(1);
    ASSERT_EQ(OpenPort(), SP_OK);
    Feed({1, 2, 3});
    ASSERT_TRUE(entered.Wait(std::chrono::seconds(20)));
    port.reset();
    EXPECT_EQ(log.Count(SPE_CLOSED), 1);
    const auto before = log.Events().size();
    release.Set();
    ASSERT_TRUE(WaitLine([](const Status& s) { return s.devices == 0; }));
    EXPECT_EQ(log.Events().size(), before);
}

TEST_F(SerialLifetimeTest, ReopenWaitsForALingeringThread) {
    serial_testing::SetCloseWait(std::chrono::milliseconds(50));
    BlockFirstData();
    port->SetReadRequestSize(1);
    ASSERT_EQ(OpenPort(), SP_OK);
    Feed({1, 2, 3});
    ASSERT_TRUE(entered.Wait(std::chrono::seconds(20)));
    port->Close();
    // The old reader still runs: a second reader on the same events would steal its stop.
    EXPECT_EQ(OpenPort(), SP_READER_START_FAILED);
    release.Set();
    ASSERT_TRUE(WaitLine([](const Status& s) { return s.devices == 0; }));
    log.Reset();
    ASSERT_EQ(OpenPort(), SP_OK);
    Feed({4});
    ASSERT_TRUE(log.WaitFor(SPE_DATA));
    // The byte left unread before Close is kept; the purge at open dropped the rest of the
    // old line.
    std::vector<BYTE> buf(8);
    std::uint32_t got = 0;
    ASSERT_EQ(port->Read(buf.data(), 8, &got), SP_OK);
    EXPECT_EQ(std::vector<BYTE>(buf.begin(), buf.begin() + got), (std::vector<BYTE>{1, 4}));
}

// A Send queued just before Close must not be written after the next Open.
TEST_F(SerialLifetimeTest, QueuedSendDoesNotSurviveClose) {
    line->HoldWrites(true);
    ASSERT_EQ(OpenPort(), SP_OK);
    const BYTE a = 0xA1;
    ASSERT_EQ(port->Send(&a, 1), SP_OK);
    ASSERT_TRUE(WaitLine([](const Status& s) { return s.writePending; }));
    port->Close();
    ASSERT_EQ(OpenPort(), SP_OK);
    const BYTE b = 0xB2;
    ASSERT_EQ(port->Send(&b, 1), SP_OK);
    ASSERT_TRUE(WaitLine([](const Status& s) { return s.writesStarted == 2; }));
    EXPECT_EQ(line->Snapshot().written, (std::vector<BYTE>{0xA1, 0xB2}));
}

}  // namespace
