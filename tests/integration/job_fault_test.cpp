#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "job_harness.h"

namespace {

using testing_support::JobHarness;
using testing_support::Pattern;

struct FaultCase {
    const char* fault;
    int code;
    int mode;
};

class JobFault : public JobHarness, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(JobFault, EndsWithItsResultCodeOnce) {
    const FaultCase c = GetParam();
    sim::LoaderConfig cfg = FastLoader();
    cfg.packetSize = 16;
    std::string error;
    const auto fault = sim::ParseFault(c.fault, &error);
    ASSERT_TRUE(fault) << error;
    cfg.faults.push_back(*fault);
    StartLoader(cfg);
    UseImage(Pattern(16 * 10 + 3));
    AppSettings.outputEnable = 1;
    AppSettings.eepsumOutputEnable = 1;

    EXPECT_EQ(RunJob(c.mode), c.code);
    EXPECT_EQ(dialog.Count(WM_JOB_DONE), 1u);
    EXPECT_TRUE(boxes.empty());
    // Nothing is held once the job is released.
    EXPECT_EQ(ProgramJob.serialPort, nullptr);
    EXPECT_EQ(ProgramJob.fileBuffer, nullptr);
    EXPECT_EQ(ProgramJob.active, 0);
    // A difference found in an end message still leaves the data that came back; one found
    // earlier ends the job before any file is written.
    const std::string text = c.fault;
    EXPECT_EQ(
        std::filesystem::exists(AppSettings.outputFile),
        c.mode == kModeProgram && (text == "corrupt:readback:11" || c.code >= kResultChecksumLink));
    EXPECT_EQ(std::filesystem::exists(AppSettings.eepsumFile),
              c.code == kResultOk || text == "corrupt:sum-readback:128");
}

INSTANTIATE_TEST_SUITE_P(
    Loader, JobFault,
    ::testing::Values(FaultCase{"silent:ack:4", kResultTimeout, kModeProgram},
                      FaultCase{"hangup:length", kResultTimeout, kModeProgram},
                      FaultCase{"corrupt:readback:3", kResultVerifyFailed, kModeProgram},
                      FaultCase{"corrupt:readback:11", kResultVerifyFailed, kModeProgram},
                      FaultCase{"bad:link", kResultBadLinkReply, kModeProgram},
                      FaultCase{"bad:link", kResultBadLinkReply, kModeEepSum},
                      FaultCase{"bad:erase-done", kResultEraseNotDone, kModeProgram},
                      FaultCase{"bad:erase-begin", kResultEraseNotBegun, kModeProgram},
                      FaultCase{"bad:length", kResultLengthEcho, kModeProgram},
                      FaultCase{"bad:ack:1", kResultPacketNotAcked, kModeProgram},
                      FaultCase{"bad:ack:5", kResultPacketNotAcked, kModeProgram},
                      FaultCase{"bad:end", kResultNoEndCode, kModeProgram},
                      FaultCase{"bad:sum-end", kResultNoEndCode, kModeEepSum},
                      FaultCase{"bad:sum-link", kResultChecksumLink, kModeProgram},
                      FaultCase{"bad:count", kResultChecksumCountEcho, kModeEepSum},
                      FaultCase{"bad:sum-ack:2", kResultChecksumNotAcked, kModeProgram},
                      FaultCase{"corrupt:sum-readback:1", kResultChecksumCompare, kModeEepSum},
                      FaultCase{"corrupt:sum-readback:128", kResultChecksumCompare, kModeEepSum},
                      FaultCase{"dribble:1", kResultOk, kModeEepSum}),
    [](const auto& param_info) {
        std::string name = std::string(param_info.param.fault) + "_" +
                           (param_info.param.mode == kModeProgram ? "program" : "eepsum");
        for (char& ch : name) {
            if (!std::isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        }
        return name;
    });

class JobTiming : public JobHarness {};

TEST_F(JobTiming, SilentLoaderTimesOutAfterTwoSeconds) {
    sim::LoaderConfig cfg = FastLoader();
    cfg.faults.push_back(*sim::ParseFault("silent:link"));
    StartLoader(cfg);
    UseImage(Pattern(100));
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(RunJob(kModeProgram), kResultTimeout);
    const auto elapsed = std::chrono::steady_clock::now() - t0;
    EXPECT_GE(elapsed, std::chrono::milliseconds(1900));
    EXPECT_LT(elapsed, std::chrono::seconds(15));
    const auto statuses = Statuses();
    ASSERT_EQ(statuses.size(), 2u);
    EXPECT_EQ(statuses[1].first, kStatusWaitLink);
}

TEST_F(JobTiming, InformationBlockSetsTheEraseTime) {
    struct Case {
        const char* fault;  // or null
        std::intptr_t eraseTicks;
    };
    for (const Case& c : {Case{nullptr, 200}, Case{"bad-info", 160}}) {
        sim::LoaderConfig cfg = FastLoader();
        cfg.letter = 'e';
        cfg.eraseUnits = 5;
        cfg.eraseScale = 0.12;  // 1.2 s: two erase progress reports
        if (c.fault)
            cfg.faults.push_back(*sim::ParseFault(c.fault));
        StartLoader(cfg);
        UseImage(Pattern(300));
        ASSERT_EQ(RunJob(kModeProgram), 0);
        int progress = 0;
        const auto statuses = Statuses(&progress);
        ASSERT_GE(statuses.size(), 4u);
        EXPECT_EQ(statuses[3], std::make_pair(int{kStatusEraseRange}, c.eraseTicks));
        EXPECT_GE(progress, 1);
        std::intptr_t expected = 10;
        for (const auto& m : dialog.messages) {
            if (m.msg == WM_JOB_STATUS &&
                DecodeJobStatus(m.wParam, m.lParam).kind == kStatusEraseProgress) {
                EXPECT_EQ(m.lParam, expected);
                expected += 10;
            }
        }
        loader.reset();
    }
}

TEST_F(JobTiming, ZeroEraseTimeKeepsTheWatchdogArmed) {
    sim::LoaderConfig cfg = FastLoader();
    cfg.letter = 'd';
    cfg.eraseUnits = 0;
    cfg.faults.push_back(*sim::ParseFault("silent:erase-done"));
    StartLoader(cfg);
    UseImage(Pattern(100));
    EXPECT_EQ(RunJob(kModeProgram), kResultTimeout);
    const auto statuses = Statuses();
    ASSERT_GE(statuses.size(), 4u);
    EXPECT_EQ(statuses[3], std::make_pair(int{kStatusEraseRange}, std::intptr_t{160}));
}

class StartFailure : public JobHarness {};

TEST_F(StartFailure, ShowsItsMessageAndHoldsNothing) {
    StartLoader(FastLoader());
    const std::string fifo = dir.File("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string big = dir.File("big.bin");
    testing_support::WriteBytes(big, std::vector<std::uint8_t>(kMaxImageSize + 1));
    const std::string good = dir.File("good.bin");
    testing_support::WriteBytes(good, Pattern(10));
    const std::string empty = dir.File("empty.bin");
    testing_support::WriteBytes(empty, {});

    struct Case {
        int port;
        std::string image;
        bool holdPort;
        const char* message;
        std::string details;  // what was looked for and why it failed
    };
    const std::string com = "COM" + std::to_string(kComNumber);
    const std::string device = com + " is " + loader->SlavePath() + ".\n";
    const Case cases[] = {
        {kComNumber + 1, good, false, "COM port can not be found",
         "COM" + std::to_string(kComNumber + 1) + " names no device."},
        {kComNumber, good, true, "COM can not be accessed",
         device + "Opening it failed: locked by another program.\nAnother program is using it; "
                  "close that program and try again."},
        {kComNumber, dir.File("missing.bin"), false, "Couldn't open the transmitted file !",
         "The image file is " + dir.File("missing.bin") +
             ".\nOpening it failed: No such file or directory."},
        {kComNumber, fifo, false, "Couldn't open the transmitted file !",
         "The image file is " + fifo + ".\nOpening it failed: not a regular file."},
        {kComNumber, big, false, " The transmitted file Length > 4194304",
         "The image file is " + big +
             ".\nIt holds 4194305 bytes; the flash takes at most 4194304."},
        {kComNumber, empty, false, "The transmitted file is empty !",
         "The image file is " + empty +
             ".\nIt holds no byte to write; EEP Sum sends the checksum table alone."},
    };
    for (const Case& c : cases) {
        boxes.clear();
        details.clear();
        AppSettings.port = c.port;
        AppSettings.tranFile = c.image;
        int holder = -1;
        if (c.holdPort) {
            holder = ::open(loader->SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
            ASSERT_GE(holder, 0);
            ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
        }
        EXPECT_EQ(RunJob(kModeProgram), -1) << c.message;
        EXPECT_EQ(boxes, std::vector<std::string>{c.message});
        EXPECT_EQ(details, std::vector<std::string>{c.details});
        EXPECT_EQ(ProgramJob.serialPort, nullptr);
        EXPECT_EQ(ProgramJob.fileBuffer, nullptr);
        if (holder >= 0)
            ::close(holder);
    }
    // The port was released each time: a job now runs.
    AppSettings.port = kComNumber;
    AppSettings.tranFile = good;
    EXPECT_EQ(RunJob(kModeProgram), 0);
}

}  // namespace
