// --reset and --after on whole jobs, on a fake device that has modem lines and records each
// change of DTR and RTS with its time, with the simulated loader behind it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/command/interrupts.h"
#include "cli/job/job_runner.h"
#include "platform/com_ports.h"
#include "support/fake_loader_line.h"
#include "support/temp_dir.h"

namespace {

using namespace testing_support;
using platform::LineFunction;
using Change = platform::FakeCommLine::LineChange;

class RecordingDisplay : public cli::Display {
  public:
    void Message(std::string_view text) override { messages.emplace_back(text); }
    void Hint(std::string_view text) override { hints.emplace_back(text); }
    std::vector<std::string> messages, hints;
};

class ResetSequences : public ::testing::Test {
  protected:
    static constexpr int kCom = 23;

    void SetUp() override {
        cli::PrepareInterrupts();
        WriteFile(ini, "[CURRENT]\nBAUDRATE=115200\n");
        WriteBytes(image, std::vector<std::uint8_t>(1000, 0x3C));
        platform::SetComDevice(kCom, "fake");
    }
    void TearDown() override { platform::SetComDevice(kCom, ""); }

    // Runs a Program job with `extra` options against the loader; its result code.
    int Run(std::vector<std::string_view> extra) {
        std::vector<std::string_view> args = {"program", "--ini", ini, "--port", "COM23"};
        args.insert(args.end(), extra.begin(), extra.end());
        args.push_back(image);
        const cli::ParseResult parsed = cli::ParseOptions(args);
        EXPECT_TRUE(parsed.options) << parsed.error;
        if (!parsed.options)
            return -1;
        cli::JobRunner runner(*parsed.options, display);
        return runner.Run().code;
    }

    static std::vector<LineFunction> Functions(const std::vector<Change>& changes) {
        std::vector<LineFunction> functions;
        for (const Change& c : changes)
            functions.push_back(c.function);
        return functions;
    }

    TempDir dir;
    std::string ini = dir.File("kven.INI");
    std::string image = dir.File("image.bin");
    std::shared_ptr<platform::FakeCommLine> line = platform::FakeCommLine::Create();
    platform::ScopedCommDeviceFactory factory{line->Factory()};
    RecordingDisplay display;
};

TEST_F(ResetSequences, WithoutThemAJobChangesNoLine) {
    FakeLoader loader(line);
    EXPECT_EQ(Run({}), 0) << (display.messages.empty() ? "" : display.messages.front());
    const auto session = loader.Result();
    ASSERT_TRUE(session);
    EXPECT_TRUE(session->result.Completed());
    EXPECT_TRUE(line->Snapshot().lineChanges.empty());
}

TEST_F(ResetSequences, ResetRunsBeforeTheLinkAndAfterOnlyOnSuccess) {
    FakeLoader loader(line);
    ASSERT_EQ(Run({"--reset", "dtr,rts,30ms,-rts,-dtr", "--after", "rts,20ms,-rts"}), 0)
        << (display.messages.empty() ? "" : display.messages.front());
    const auto session = loader.Result();
    ASSERT_TRUE(session && session->result.Completed());
    const auto changes = line->Snapshot().lineChanges;
    ASSERT_EQ(Functions(changes),
              (std::vector{LineFunction::SetDtr, LineFunction::SetRts, LineFunction::ClearRts,
                           LineFunction::ClearDtr, LineFunction::SetRts, LineFunction::ClearRts}));
    // The pauses hold the lines at least as long as they say.
    EXPECT_GE(changes[2].at - changes[1].at, std::chrono::milliseconds(30));
    EXPECT_GE(changes[5].at - changes[4].at, std::chrono::milliseconds(20));
    // The reset is over before the link request arrives; the after sequence follows the job.
    EXPECT_LE(changes[3].at, session->linked);
    EXPECT_GE(changes[4].at, session->linked);
}

TEST_F(ResetSequences, AfterIsCheckedBeforeTheJobAndSkippedOnFailure) {
    // The link reply is garbled: the job fails, so --after does not run; what the lines saw is
    // only the check that they can be driven, which changes nothing.
    FakeLoader loader(line, {*sim::ParseFault("bad:link")});
    EXPECT_EQ(Run({"--after", "rts,-rts"}), 4);
    EXPECT_EQ(Functions(line->Snapshot().lineChanges),
              (std::vector{LineFunction::ClearDtr, LineFunction::ClearRts}));
}

TEST_F(ResetSequences, ADeviceWithoutModemLinesRefusesTheJobBeforeTheLink) {
    line->SetFailures({.escape = platform::ERROR_NOT_SUPPORTED});
    FakeLoader loader(line);
    EXPECT_EQ(Run({"--reset", "dtr,10ms,-dtr"}), 10);
    ASSERT_FALSE(display.messages.empty());
    EXPECT_EQ(display.messages.back(), "Could not raise DTR on the port");
    ASSERT_FALSE(display.hints.empty());
    EXPECT_NE(display.hints.front().find("no modem lines"), std::string::npos);
    EXPECT_FALSE(loader.Result());  // no link request was sent
    EXPECT_TRUE(line->Snapshot().written.empty());
}

}  // namespace
