// Bytes on their way through this host are counted until the owner has read them, so that an
// owner about to give up on a silent peer never mistakes its own delay for silence.
#include <atomic>

#include "platform/event.h"
#include "tests/support/fake_port_fixture.h"

namespace {

using test_support::FakePortTest;
using Status = test_support::Status;

class SerialTransit : public FakePortTest {
  protected:
    // Holds the first callback of `kind` until `release` is set.
    void Hold(std::int32_t kind) {
        log.Reset([this, kind](CSerialPort*, std::int32_t k) {
            if (k != kind || held.IsSet())
                return;
            held.Set();
            release.Wait(std::chrono::seconds(60));
        });
    }
    platform::Event held{platform::Event::ResetMode::Manual};
    platform::Event release{platform::Event::ResetMode::Manual};
};

TEST_F(SerialTransit, ReceivedBytesCountUntilTheOwnerHasReadThem) {
    port->SetReadRequestSize(1);
    ASSERT_EQ(OpenPort(), SP_OK);
    ASSERT_TRUE(WaitThreadsReady());
    EXPECT_EQ(port->InTransit().received, 0u);

    Hold(SPE_DATA);
    Feed({0x11});
    ASSERT_TRUE(held.Wait(std::chrono::seconds(60)));
    EXPECT_GE(port->InTransit().received, 1u);  // being delivered
    // Bytes that come meanwhile wait in the device: no read is outstanding.
    line->Feed(std::vector<BYTE>{0x22, 0x33});
    EXPECT_GE(port->InTransit().received, 3u);

    release.Set();
    ASSERT_TRUE(log.WaitFor(SPE_DATA, 3));
    ASSERT_TRUE(WaitLine([](const Status& s) { return s.readPending && s.queued == 0; }));
    // Delivered but unread: still this host's.
    EXPECT_EQ(port->GetAvailable(), 3u);
    EXPECT_EQ(port->InTransit().received, 3u);
    BYTE got[3] = {};
    std::uint32_t n = 0;
    ASSERT_EQ(port->Read(got, sizeof got, &n), SP_OK);
    EXPECT_EQ(n, 3u);
    EXPECT_EQ(port->InTransit().received, 0u);
    EXPECT_FALSE(port->InTransit().sending);
}

TEST_F(SerialTransit, AWriteIsSendingUntilItsCompletionHasBeenDelivered) {
    ASSERT_EQ(OpenPort(), SP_OK);
    ASSERT_TRUE(WaitThreadsReady());
    std::atomic<bool> seenInTransit{false};
    log.Reset([&](CSerialPort* p, std::int32_t kind) {
        if (kind != SPE_WRITE_DONE)
            return;
        seenInTransit = p->InTransit().sending;
        held.Set();
    });
    const BYTE packet[4] = {1, 2, 3, 4};
    ASSERT_EQ(port->Send(packet, 4), SP_OK);
    ASSERT_TRUE(held.Wait(std::chrono::seconds(60)));
    // The owner has not taken the completion until its callback returns.
    EXPECT_TRUE(seenInTransit);
}

}  // namespace
