// Whole jobs through StartJob/EndJob against the simulator on a pseudo-terminal.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "job/job_control.h"
#include "job/program_job.h"
#include "platform/com_ports.h"
#include "platform/message_box.h"
#include "settings/app_settings.h"
#include "sim/simulator.h"
#include "support/recording_target.h"
#include "support/temp_dir.h"

namespace testing_support {

inline std::vector<std::uint8_t> Pattern(std::size_t size, unsigned seed = 1) {
    std::vector<std::uint8_t> v(size);
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& b : v) {
        x = x * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(x >> 16);
    }
    return v;
}

class JobHarness : public ::testing::Test {
  protected:
    static constexpr int kComNumber = 17;

    TempDir dir;
    RecordingTarget dialog;
    std::vector<std::string> boxes;
    std::vector<std::string> details;  // beneath each box's text
    platform::MessageBoxHook previousHook;
    std::unique_ptr<sim::Simulator> loader;
    std::string diagnostics;

    void SetUp() override {
        previousHook =
            platform::SetMessageBoxHook([this](std::string_view text, std::string_view detail) {
                boxes.emplace_back(text);
                details.emplace_back(detail);
            });
        AppSettings = {};
        AppSettings.port = kComNumber;
        AppSettings.baudRate = 115200;
        AppSettings.byteSize = 8;
        AppSettings.outputEnable = 0;
        AppSettings.outputFile = dir.File("verify.bin");
        AppSettings.eepsumOutputEnable = 0;
        AppSettings.eepsumFile = dir.File("EEPSUM.bin");
    }

    void TearDown() override {
        EndJob();
        loader.reset();
        platform::SetComDevice(kComNumber, "");
        platform::SetMessageBoxHook(previousHook);
    }

    static sim::LoaderConfig FastLoader() {
        sim::LoaderConfig cfg;
        cfg.eraseScale = 0.002;
        return cfg;
    }

    void StartLoader(const sim::LoaderConfig& cfg) {
        loader = sim::Simulator::Start(cfg);
        ASSERT_TRUE(loader);
        platform::SetComDevice(kComNumber, loader->SlavePath());
    }

    void UseImage(const std::vector<std::uint8_t>& bytes) {
        AppSettings.tranFile = dir.File("image.bin");
        WriteBytes(AppSettings.tranFile, bytes);
    }

    // Runs one job to its result and releases it; returns the result code, or -1 when the
    // job did not start. The limit only catches a hang: a loaded machine slows a whole job
    // several times over.
    int RunJob(int mode, std::chrono::seconds limit = std::chrono::minutes(10)) {
        dialog.messages.clear();
        if (!StartJob(&dialog, mode)) {
            EndJob();
            return -1;
        }
        const bool ended = dialog.WaitFor(WM_JOB_DONE, limit);
        // Where the engine stood when the job ended, for failure messages.
        diagnostics =
            "state " + std::to_string(ProgramJob.state.load()) + ", packets " +
            std::to_string(ProgramJob.packetCount) + ", sent " +
            std::to_string(ProgramJob.sendPos) + ", flags " + std::to_string(ProgramJob.writeDone) +
            std::to_string(ProgramJob.replyOk) + std::to_string(ProgramJob.dataReceived) +
            ", waiting " +
            std::to_string(ProgramJob.serialPort ? ProgramJob.serialPort->GetAvailable() : 0u);
        EndJob();
        if (!ended)
            return -2;
        for (const Message& m : dialog.messages) {
            if (m.msg == WM_JOB_DONE)
                return DecodeJobDone(m.lParam).code;
        }
        return -3;
    }

    // The status messages in order, kind 7 left out (it is posted and may overtake).
    std::vector<std::pair<int, std::intptr_t>> Statuses(int* eraseProgress = nullptr) const {
        std::vector<std::pair<int, std::intptr_t>> out;
        for (const Message& m : dialog.messages) {
            if (m.msg != WM_JOB_STATUS)
                continue;
            if (DecodeJobStatus(m.wParam, m.lParam).kind == kStatusEraseProgress) {
                if (eraseProgress)
                    ++*eraseProgress;
                continue;
            }
            const JobStatus status = DecodeJobStatus(m.wParam, m.lParam);
            out.emplace_back(status.kind, status.value);
        }
        return out;
    }
};

}  // namespace testing_support
