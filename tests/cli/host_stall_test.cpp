// Time the host takes itself is never the loader's silence: kven-cli stopped for longer than
// the armed time-out, and output files whose fsync outlasts it, both end in success, and the
// extension is reported. A host that merely looks busy changes neither a result nor its time.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "cli/child_process.h"
#include "cli/json_reader.h"
#include "sim/simulator.h"
#include "support/temp_dir.h"

namespace {

using testing_support::ChildProcess;

class HostStall : public ::testing::Test {
  protected:
    testing_support::TempDir dir;
    std::string ini = dir.File("kven.INI");
    std::string image = dir.File("image.bin");
    std::unique_ptr<sim::Simulator> loader;

    void SetUp() override {
        std::vector<std::uint8_t> bytes(20000);
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = std::uint8_t(i * 13 + 1);
        testing_support::WriteBytes(image, bytes);
        testing_support::WriteFile(ini, "[CURRENT]\nBAUDRATE=115200\n");
    }
    // A loader that announces a 2 s erase (40 ticks) and is done in a tenth of it, and waits
    // for a host that stalls.
    void StartLoader() {
        sim::LoaderConfig cfg;
        cfg.letter = 'e';
        cfg.eraseUnits = 1;
        cfg.eraseScale = 0.05;
        cfg.idleTimeout = std::chrono::seconds(60);
        loader = sim::Simulator::Start(cfg);
        ASSERT_TRUE(loader);
    }
};

TEST_F(HostStall, AProcessStoppedLongerThanTheTimeOutStillSucceeds) {
    StartLoader();
    ChildProcess p({KVEN_CLI_PATH, "program", "--ini", ini, "--port", loader->SlavePath(), image});
    ASSERT_TRUE(p.ReadUntil([&] { return p.Out().find("Erase /Blank") != std::string::npos; },
                            std::chrono::minutes(2)))
        << p.Out() << p.Err();
    // The stall under test, not a synchronisation: the loader finishes the erase and its reply
    // waits in the line while the whole process, watchdog included, is not scheduled for
    // longer than the 2 s the erase was given.
    p.Signal(SIGSTOP);
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    p.Signal(SIGCONT);
    EXPECT_EQ(p.Wait(std::chrono::minutes(5)), 0) << p.Out() << p.Err();
}

TEST_F(HostStall, OutputFilesOnASlowDiskAreWrittenAndTheJobSucceeds) {
    StartLoader();
    const std::string readback = dir.File("verify.bin");
    const std::string sums = dir.File("EEPSUM.bin");
    // Each fsync takes 1.3 s, longer than the 1 s a packet is given: the read-back file is
    // written after the last acknowledgement, the table file after the last checksum reply.
    ChildProcess p({"/usr/bin/env", std::string("LD_PRELOAD=") + KVEN_SLOW_FSYNC_PATH,
                    "KVEN_TEST_FSYNC_MS=1300", "ASAN_OPTIONS=verify_asan_link_order=0",
                    KVEN_CLI_PATH, "program", "--json", "--ini", ini, "--port", loader->SlavePath(),
                    "--readback", readback, "--sums", sums, image});
    EXPECT_EQ(p.Wait(std::chrono::minutes(5)), 0) << p.Out() << p.Err();
    EXPECT_EQ(testing_support::ReadFile(readback), testing_support::ReadFile(image));
    EXPECT_EQ(std::filesystem::file_size(sums), 2048u);
    // Each write outlasted its 1 s by 0.3 s: said, and recorded.
    EXPECT_NE(p.Err().find("the time-out was extended by"), std::string::npos) << p.Err();
    EXPECT_NE(p.Err().find("kven-cli was busy writing the"), std::string::npos) << p.Err();
    const auto json = testing_support::JsonReader::Parse(p.Out());
    ASSERT_TRUE(json) << p.Out();
    EXPECT_GE((*json)["timeoutExtensionMs"].Num(), 500) << p.Out();
}

// A pressure figure that reads 97 % (the file the kernel keeps, replaced in a mount namespace
// of the job's own) on an idle machine: a silent loader and one that dribbles its replies give
// the same result, in the same time, as without it.
TEST_F(HostStall, ABusyFigureChangesNoResultAndNoTime) {
    if (::geteuid() != 0 || !std::filesystem::exists("/proc/pressure/cpu") ||
        std::system("unshare -m true 2>/dev/null") != 0) {
        GTEST_SKIP() << "needs root, a pressure file and mount namespaces";
    }
    const std::string figure = dir.File("pressure");
    testing_support::WriteFile(figure,
                               "some avg10=97.00 avg60=97.00 avg300=97.00 total=1\n"
                               "full avg10=0.00 avg60=0.00 avg300=0.00 total=0\n");
    struct Case {
        const char* fault;
        const char* mode;
        double armed;  // the time-out that ends the job, in seconds
    };
    for (const Case& c : {Case{"silent:link", "program", 2.0}, Case{"dribble:10", "eepsum", 1.0}}) {
        SCOPED_TRACE(c.fault);
        sim::LoaderConfig cfg;
        cfg.faults.push_back(*sim::ParseFault(c.fault));
        cfg.idleTimeout = std::chrono::seconds(60);
        loader = sim::Simulator::Start(cfg);
        ASSERT_TRUE(loader);
        const std::string command = "mount --bind '" + figure + "' /proc/pressure/cpu && exec '" +
                                    KVEN_CLI_PATH + "' " + c.mode + " --json --ini '" + ini +
                                    "' --port '" + loader->SlavePath() + "' '" + image + "'";
        ChildProcess p({"/usr/bin/unshare", "-m", "/bin/sh", "-c", command});
        EXPECT_EQ(p.Wait(std::chrono::minutes(2)), 2) << p.Out() << p.Err();
        const auto json = testing_support::JsonReader::Parse(p.Out());
        ASSERT_TRUE(json) << p.Out() << p.Err();
        // Whatever this machine's own stalls held open is reported; nothing else may be added.
        const double held = (*json)["timeoutExtensionMs"].Num() / 1000;
        const double seconds = (*json)["seconds"].Num();
        EXPECT_LT(seconds - held, c.armed + 1.0) << p.Out();
        EXPECT_LE(held, 10.0);
        loader.reset();
    }
}

}  // namespace
