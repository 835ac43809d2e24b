#include <algorithm>
#include <filesystem>

#include "cli/cli_fixture.h"

namespace {

using testing_support::ChildProcess;
using testing_support::LastLine;

class KvenCli : public testing_support::KvenCliTest {
  protected:
    std::unique_ptr<sim::Simulator> loader;

    void StartLoader(std::vector<const char*> faults = {}) {
        loader = Loader(std::move(faults));
        ASSERT_TRUE(loader);
    }
};

TEST_F(KvenCli, ProgramAndEepSumSucceed) {
    StartLoader();
    const std::string readback = dir.File("rb.bin");
    const std::string sums = dir.File("sums.bin");
    ChildProcess program(Args({"program", "--ini", ini, "--port", loader->SlavePath(), "--readback",
                               readback, "--sums", sums, image}));
    EXPECT_EQ(program.Wait(), 0) << program.Err();
    EXPECT_EQ(LastLine(program.Out()), "Writing is OK");
    EXPECT_NE(program.Out().find("LD Ver: V0123-A-64"), std::string::npos) << program.Out();
    EXPECT_NE(program.Out().find("of the line rate"), std::string::npos);
    // Piped output is plain: no escape sequences, no carriage returns.
    EXPECT_EQ(program.Out().find_first_of("\r\x1b"), std::string::npos);
    EXPECT_EQ(testing_support::ReadFile(readback), testing_support::ReadFile(image));
    EXPECT_EQ(std::filesystem::file_size(sums), 2048u);

    ChildProcess eepsum(Args({"eepsum", "--ini", ini, "--port", loader->SlavePath(), image}));
    EXPECT_EQ(eepsum.Wait(), 0) << eepsum.Err();
    EXPECT_EQ(LastLine(eepsum.Out()), "Writing is OK");
    // The INI file is never written, and no output file appears unasked.
    EXPECT_EQ(testing_support::ReadFile(ini), "[CURRENT]\nBAUDRATE=57600\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("verify.bin")));
}

TEST_F(KvenCli, FaultsGiveTheirExitStatusAndLastLine) {
    struct Case {
        const char* fault;
        int status;
        const char* last;
    };
    for (const Case& c :
         {Case{"bad:length", 7, "Set file length failed"},
          Case{"corrupt:readback:2", 3, "Verify failed"}, Case{"silent:link", 2, "Time out"}}) {
        StartLoader({c.fault});
        ChildProcess p(Args({"program", "--ini", ini, "--port", loader->SlavePath(), image}));
        EXPECT_EQ(p.Wait(), c.status) << c.fault << p.Err();
        EXPECT_EQ(LastLine(p.Out()), c.last);
        loader.reset();
    }
}

TEST_F(KvenCli, JsonHoldsTheResult) {
    StartLoader();
    ChildProcess p(Args({"program", "--json", "--ini", ini, "--port", loader->SlavePath(), image}));
    EXPECT_EQ(p.Wait(), 0);
    const std::string out = p.Out();
    // One object, one line, nothing else.
    EXPECT_EQ(out.front(), '{');
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1);
    for (const char* field :
         {"\"result\":0", "\"text\":\"Writing is OK\"", "\"version\":\"0123\"", "\"letter\":\"A\"",
          "\"packetSize\":64", "\"fileChecksum\":\"", "\"bytes\":3000", "\"seconds\":"}) {
        EXPECT_NE(out.find(field), std::string::npos) << field << " in " << out;
    }
}

TEST_F(KvenCli, StartFailuresAndUsageErrors) {
    ChildProcess missing(Args({"program", "--ini", ini, "--port", dir.File("no-such-tty"), image}));
    EXPECT_EQ(missing.Wait(), 10);
    const std::string err = missing.Err();
    EXPECT_NE(err.find("COM port can not be found"), std::string::npos);
    EXPECT_NE(err.find("hint:"), std::string::npos);
    // The device looked for and the system's reason, said once: the message's details, which
    // kven-cli's own hints do not repeat.
    const std::string said = dir.File("no-such-tty") + ".\n  hint: Opening it failed: No such file";
    const auto reason = err.find(said);
    EXPECT_NE(reason, std::string::npos) << err;
    EXPECT_EQ(err.find("no-such-tty", reason + said.size()), std::string::npos) << err;

    for (const std::vector<std::string>& bad : {std::vector<std::string>{},
                                                {"frobnicate"},
                                                {"program"},
                                                {"program", "--baud", "x", image},
                                                {"program", "--parity", "weird", image},
                                                {"program", "--data-bits", "9", image},
                                                {"ports", "extra"}}) {
        ChildProcess p(Args(bad));
        EXPECT_EQ(p.Wait(), 64);
        EXPECT_NE(p.Err().find("usage:"), std::string::npos);
    }
    ChildProcess version(Args({"--version"}));
    EXPECT_EQ(version.Wait(), 0);
    EXPECT_EQ(version.Out().rfind("kven-cli ", 0), 0u);
}

TEST_F(KvenCli, InterruptReleasesThePort) {
    sim::LoaderConfig cfg;
    cfg.eraseScale = 0.75;  // a 6 s erase: long enough to interrupt
    loader = sim::Simulator::Start(cfg);
    ChildProcess p(Args({"program", "--ini", ini, "--port", loader->SlavePath(), image}));
    ASSERT_TRUE(p.ReadUntil([&] { return p.Out().find("Erase /Blank") != std::string::npos; },
                            std::chrono::seconds(30)))
        << p.Out() << p.Err();
    p.Signal(SIGINT);
    EXPECT_EQ(p.Wait(), 130);
    EXPECT_NE(p.Err().find("interrupted"), std::string::npos);
}

}  // namespace
