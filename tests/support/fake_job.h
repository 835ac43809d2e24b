// A whole job through StartJob/EndJob over a fake comm line that the test answers byte by byte,
// as the loader would. Writes are held until the test completes them.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "job/job_control.h"
#include "job/program_job.h"
#include "platform/com_ports.h"
#include "platform/comm_fake.h"
#include "platform/message_box.h"
#include "settings/app_settings.h"
#include "support/recording_target.h"
#include "support/temp_dir.h"

namespace testing_support {

class FakeJobTest : public ::testing::Test {
  public:
    using FakeCommLine = platform::FakeCommLine;
    using Status = FakeCommLine::Status;

  protected:
    static constexpr int kCom = 23;

    void SetUp() override {
        previousHook = platform::SetMessageBoxHook(
            [this](std::string_view text, std::string_view) { boxes.emplace_back(text); });
        platform::SetComDevice(kCom, "fake");
        AppSettings = {};
        AppSettings.port = kCom;
        AppSettings.baudRate = 115200;
        AppSettings.byteSize = 8;
        AppSettings.tranFile = dir.File("image.bin");
        testing_support::WriteBytes(AppSettings.tranFile, image);
        line->HoldWrites(true);
    }
    void TearDown() override {
        EndJob();
        platform::SetComDevice(kCom, "");
        platform::SetMessageBoxHook(previousHook);
    }

    static bool Waiting(const Status& s) { return s.readPending && s.queued < s.pendingReadSize; }
    // Feeds once the reader serves the line.
    void Feed(const std::vector<BYTE>& bytes) {
        ASSERT_TRUE(line->Wait(Waiting));
        line->Feed(bytes);
    }
    // Feeds bytes that cause no status message, then waits until the port holds every one (a
    // read that the last odd byte cannot fill is ended as by its time-out).
    void FeedQuiet(const std::vector<BYTE>& bytes) {
        Feed(bytes);
        ASSERT_TRUE(line->Wait(Waiting));
        line->FinishRead();
        ASSERT_TRUE(line->Wait([](const Status& s) { return s.readPending && s.queued == 0; }));
    }
    bool WaitWrites(int n) {
        return line->Wait([n](const Status& s) { return s.writesStarted == n; });
    }
    bool WaitStatus(WORD kind) {
        return dialog.RunUntil(
            [&] {
                for (const auto& m : dialog.messages) {
                    if (m.msg == WM_JOB_STATUS && DecodeJobStatus(m.wParam, m.lParam).kind == kind)
                        return true;
                }
                return false;
            },
            std::chrono::seconds(60));
    }
    static std::vector<BYTE> LinkReply(BYTE letter, BYTE packetSize) {
        return {0x01, 0x23, 0xFE, 0xDC, letter, BYTE(~letter), packetSize, BYTE(~packetSize)};
    }

    testing_support::TempDir dir;
    std::vector<std::uint8_t> image = std::vector<std::uint8_t>(10, 0x5A);
    std::shared_ptr<FakeCommLine> line = FakeCommLine::Create();
    platform::ScopedCommDeviceFactory factory{line->Factory()};
    testing_support::RecordingTarget dialog;
    std::vector<std::string> boxes;
    platform::MessageBoxHook previousHook;
};

}  // namespace testing_support
