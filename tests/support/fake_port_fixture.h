// A CSerialPort over a fake comm device, with its events recorded.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/comm_fake.h"
#include "platform/thread.h"
#include "serial/serial_port.h"
#include "serial/serial_port_testing.h"
#include "tests/support/port_events.h"

namespace test_support {

using platform::FakeCommLine;
using Status = FakeCommLine::Status;

class FakePortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        log.Reset();
        port = std::make_unique<CSerialPort>();
        port->SetCallback(PortEventLog::Callback);
    }
    void TearDown() override {
        port.reset();
        log.Reset();
        platform::SetThreadStartFailureHook({});
        serial_testing::SetAllocationFailures({});
        serial_testing::SetCloseWait({});
    }

    std::uint32_t OpenPort(std::uint32_t lineEvents = 0) {
        return port->Open(3, 9600, 0, 8, 0, lineEvents);
    }
    bool WaitLine(const std::function<bool(const Status&)>& pred) { return line->Wait(pred); }
    // Both threads have purged their queue: they are serving events.
    bool WaitThreadsReady() {
        return line->Wait([](const Status& s) { return s.purges.size() >= 3; });
    }
    // Feeds once the reader has a read outstanding: bytes that arrive before the reader thread
    // has purged its queue are dropped, as on a real line.
    void Feed(const std::vector<BYTE>& bytes) {
        ASSERT_TRUE(line->Wait([](const Status& s) { return s.readPending; }));
        line->Feed(bytes);
    }

    std::shared_ptr<FakeCommLine> line = FakeCommLine::Create();
    platform::ScopedCommDeviceFactory factory{line->Factory()};
    PortEventLog& log = PortEventLog::Get();
    std::unique_ptr<CSerialPort> port;
};

}  // namespace test_support
