// Reset sequences: their text, and what they do to the lines of a port on the fake device.
#include <gtest/gtest.h>

#include "cli/job/line_sequence.h"
#include "platform/com_ports.h"
#include "platform/comm_fake.h"

namespace {

using platform::LineFunction;
using Outcome = cli::LineSequenceResult::Outcome;

TEST(LineSequence, TextGivesStepsOrAReason) {
    std::string error;
    const auto steps = cli::ParseLineSequence(" DTR,-rts, 5ms ,rts,-Dtr,10000ms", &error);
    ASSERT_TRUE(steps) << error;
    std::string text;
    for (const cli::LineStep& s : *steps)
        text += cli::StepText(s) + ",";
    EXPECT_EQ(text, "dtr,-rts,5ms,rts,-dtr,10000ms,");
    for (const char* bad : {"", "dtr,", ",dtr", "dtr;rts", "0ms", "10001ms", "5 ms", "ms", "+dtr"})
        EXPECT_FALSE(cli::ParseLineSequence(bad, &error)) << bad;
}

class LineSequenceOnAPort : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::SetComDevice(31, "fake");
        ASSERT_EQ(port.Open(31, 115200, 0, 8, 0, 0), 0u);
    }
    void TearDown() override {
        port.Close();
        platform::SetComDevice(31, "");
    }

    cli::LineSequenceResult Run(const char* text) {
        std::string error;
        const auto steps = cli::ParseLineSequence(text, &error);
        EXPECT_TRUE(steps) << error;
        return cli::RunLineSequence(*steps, port, [this](std::chrono::milliseconds d) {
            pauses.push_back(d);
            return pauses.size() < 3;  // the third pause is interrupted
        });
    }

    std::shared_ptr<platform::FakeCommLine> line = platform::FakeCommLine::Create();
    platform::ScopedCommDeviceFactory factory{line->Factory()};
    CSerialPort port;
    std::vector<std::chrono::milliseconds> pauses;
};

TEST_F(LineSequenceOnAPort, StepsReachTheDeviceInOrderAndAnInterruptEndsThem) {
    EXPECT_EQ(Run("dtr,rts,50ms,-rts,7ms,-dtr").outcome, Outcome::Done);
    std::vector<LineFunction> functions;
    for (const auto& change : line->Snapshot().lineChanges)
        functions.push_back(change.function);
    EXPECT_EQ(functions, (std::vector{LineFunction::SetDtr, LineFunction::SetRts,
                                      LineFunction::ClearRts, LineFunction::ClearDtr}));
    EXPECT_EQ(pauses, (std::vector{std::chrono::milliseconds(50), std::chrono::milliseconds(7)}));

    EXPECT_EQ(Run("dtr,1ms,-dtr").outcome, Outcome::Interrupted);
    EXPECT_EQ(line->Snapshot().lineChanges.size(), 5u);  // -dtr never came
}

TEST_F(LineSequenceOnAPort, ADeviceThatRefusesIsNamedWithItsReason) {
    line->SetFailures({.escape = platform::ERROR_NOT_SUPPORTED});
    auto result = Run("-rts");
    EXPECT_EQ(result.outcome, Outcome::Refused);
    EXPECT_EQ(result.message, "Could not drop RTS on the port");
    EXPECT_NE(result.details.find("no modem lines"), std::string::npos);
    line->SetFailures({.escape = platform::ERROR_GEN_FAILURE});
    result = Run("dtr");
    EXPECT_EQ(result.message, "Could not raise DTR on the port");
    EXPECT_EQ(result.details, "the driver refused it (error 31)");
    port.Close();
    EXPECT_EQ(port.EscapeCommFunction(LineFunction::SetDtr), platform::ERROR_INVALID_HANDLE);
}

}  // namespace
