// Per-board serial numbers and retries on a simulated line whose boards are swapped, and a
// board interrupted with Ctrl+C, which is never retried.
#include <csignal>
#include <set>

#include "cli/cli_fixture.h"
#include "cli/json_reader.h"
#include "job/prepare_image.h"
#include "job/program_job.h"

namespace {

using namespace testing_support;
constexpr auto kWait = std::chrono::seconds(60);
constexpr std::uint32_t kSerialAt = 0x100;

std::vector<sim::SessionResult> Sessions(sim::Simulator& loader) {
    std::vector<sim::SessionResult> sessions;
    while (auto s = loader.WaitForSession(std::chrono::milliseconds(0)))
        sessions.push_back(std::move(*s));
    return sessions;
}

// The Program sessions, in order.
std::vector<sim::SessionResult> Jobs(const std::vector<sim::SessionResult>& sessions) {
    std::vector<sim::SessionResult> jobs;
    for (const auto& s : sessions) {
        if (s.mode == sim::Mode::Program)
            jobs.push_back(s);
    }
    return jobs;
}

std::vector<std::uint8_t> Le32(std::uint32_t v) {
    return {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
}

class SerialLine : public KvenCliTest {
  protected:
    void SetUp() override {
        KvenCliTest::SetUp();
        // An image with an erased gap where the serial number goes.
        bytes.resize(3000);
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = std::uint8_t(i * 7 + 1);
        std::fill_n(bytes.begin() + kSerialAt, 16, 0xFF);
        WriteBytes(image, bytes);
    }

    // What a board with `serial` must hold, and the block checksum table of that image.
    std::vector<std::uint8_t> Patched(std::uint32_t serial) const {
        std::vector<std::uint8_t> patched = bytes;
        const auto le = Le32(serial);
        std::copy(le.begin(), le.end(), patched.begin() + kSerialAt);
        return patched;
    }
    std::vector<std::uint8_t> Sums(std::uint32_t serial) const {
        std::vector<std::uint8_t> table(kBlockCount * 2);
        BuildBlockSums(Patched(serial), kMaxImageSize, table);
        return table;
    }
    void ExpectBoard(const sim::SessionResult& job, std::uint32_t serial) const {
        EXPECT_TRUE(job.Completed()) << sim::Summary(job);
        const auto patched = Patched(serial);
        EXPECT_TRUE(std::equal(patched.begin(), patched.end(), job.flash->begin()))
            << "board with serial " << serial;
        EXPECT_EQ(job.sums, Sums(serial)) << "board with serial " << serial;
    }

    // Board after board on `loader` with `extra` options, three boards with `faults`, then
    // Ctrl+C; kven-cli's exit status.
    int RunLine(sim::Simulator& loader, std::vector<std::string> extra,
                const std::vector<std::optional<std::vector<sim::Fault>>>& boards,
                ChildProcess*& out) {
        std::vector<std::string> args = {"program", "--repeat",         "--ini", ini,
                                         "--port",  loader.SlavePath(), "--log", logFile};
        args.insert(args.end(), extra.begin(), extra.end());
        args.push_back(image);
        cli = std::make_unique<ChildProcess>(Args(args));
        out = cli.get();
        for (const auto& faults : boards) {
            if (!loader.WaitUntilProbedEmpty(kWait))
                return -1;
            loader.InsertBoard(faults);
        }
        if (!loader.WaitUntilProbedEmpty(kWait))
            return -1;
        cli->Signal(SIGINT);
        return cli->Wait();
    }

    std::vector<JsonValue> LogLines() const {
        std::vector<JsonValue> lines;
        for (const std::string& line : Lines(ReadFile(logFile))) {
            auto value = JsonReader::Parse(line);
            EXPECT_TRUE(value) << line;
            if (value)
                lines.push_back(std::move(*value));
        }
        return lines;
    }

    std::vector<std::uint8_t> bytes;
    std::string logFile = dir.File("line.log");
    std::string state = dir.File("serial.state");
    std::unique_ptr<ChildProcess> cli;
};

TEST_F(SerialLine, ANumberIsUsedUpOnlyByABoardThatSucceeds) {
    sim::SimulatorOptions swap;
    swap.sessionsPerBoard = 2;  // its job, and one look that finds it still there
    swap.startEmpty = true;
    auto loader = Loader({}, swap, kBigPackets);
    ASSERT_TRUE(loader);
    ChildProcess* p = nullptr;
    const int status = RunLine(
        *loader,
        {"--serial", "0x100:4", "--serial-start", "1000", "--serial-state", state, "--station",
         "line-3"},
        {std::nullopt, std::vector{*sim::ParseFault("bad:ack:5")}, std::vector<sim::Fault>{}}, p);
    ASSERT_EQ(status, 8) << p->Err();

    const auto lines = Lines(p->Out());
    ASSERT_EQ(lines.size(), 4u) << p->Out();
    EXPECT_TRUE(lines[0].starts_with("board 1: Writing is OK  ")) << lines[0];
    EXPECT_TRUE(lines[0].ends_with("  Serial: 1000")) << lines[0];
    EXPECT_TRUE(lines[1].ends_with("  Serial: 1001")) << lines[1];
    EXPECT_TRUE(lines[2].ends_with("  Serial: 1001")) << lines[2];

    const auto jobs = Jobs(Sessions(*loader));
    ASSERT_EQ(jobs.size(), 3u);
    ExpectBoard(jobs[0], 1000);
    EXPECT_EQ(jobs[1].ending, sim::Ending::Faulted);
    ExpectBoard(jobs[2], 1001);  // the failed board's number went to the next one
    EXPECT_EQ(ReadFile(state), "1002\n");

    const auto log = LogLines();
    ASSERT_EQ(log.size(), 3u);
    const char* values[] = {"1000", "1001", "1001"};
    for (std::size_t i = 0; i < log.size(); ++i) {
        const JsonValue& j = log[i];
        EXPECT_EQ(j["kven"].Str(), KVEN_VERSION);
        EXPECT_EQ(j["station"].Str(), "line-3");
        EXPECT_EQ(j["attempt"].Num(), 1);
        EXPECT_EQ(j["board"].Num(), double(i + 1));
        EXPECT_EQ(j["serial"]["value"].Str(), values[i]);
        EXPECT_EQ(j["serial"]["address"].Num(), kSerialAt);
    }
    EXPECT_EQ(log[0]["serial"]["bytes"].Str(), "E8030000");
}

TEST_F(SerialLine, ARetryStartsAFailedBoardAgainAndEveryAttemptIsLogged) {
    sim::SimulatorOptions swap;
    swap.sessionsPerBoard = 3;
    swap.startEmpty = true;
    auto loader = Loader({}, swap, kBigPackets);
    ASSERT_TRUE(loader);
    ChildProcess* p = nullptr;
    // The second board's contact fails its first session only.
    const int status = RunLine(
        *loader,
        {"--retries", "1", "--serial", "0x100:4", "--serial-start", "7", "--serial-state", state},
        {std::vector<sim::Fault>{}, std::vector{*sim::ParseFault("bad:ack:3@1")},
         std::vector<sim::Fault>{}},
        p);
    ASSERT_EQ(status, 0) << p->Err();
    const auto lines = Lines(p->Out());
    ASSERT_EQ(lines.size(), 5u) << p->Out();
    EXPECT_TRUE(lines[1].starts_with("board 2: Write sync failed  ")) << lines[1];
    EXPECT_TRUE(lines[1].ends_with("(attempt 1 of 2); again from the link")) << lines[1];
    EXPECT_TRUE(lines[2].starts_with("board 2: Writing is OK  ")) << lines[2];
    EXPECT_EQ(lines[4], "3 boards: 3 OK, 0 failed");

    const auto log = LogLines();
    ASSERT_EQ(log.size(), 4u);
    const double boards[] = {1, 2, 2, 3}, attempts[] = {1, 1, 2, 1}, results[] = {0, 8, 0, 0};
    const char* serials[] = {"7", "8", "8", "9"};
    for (std::size_t i = 0; i < log.size(); ++i) {
        EXPECT_EQ(log[i]["board"].Num(), boards[i]);
        EXPECT_EQ(log[i]["attempt"].Num(), attempts[i]);
        EXPECT_EQ(log[i]["result"].Num(), results[i]);
        EXPECT_EQ(log[i]["serial"]["value"].Str(), serials[i]);
    }
    const auto jobs = Jobs(Sessions(*loader));
    ASSERT_EQ(jobs.size(), 4u);
    ExpectBoard(jobs[0], 7);
    ExpectBoard(jobs[2], 8);
    ExpectBoard(jobs[3], 9);
    EXPECT_EQ(ReadFile(state), "10\n");
}

TEST_F(SerialLine, TwoPortsShareOneStateAndNeverOneNumber) {
    auto first = Loader({}, {}, kBigPackets);
    auto second = Loader({}, {}, kBigPackets);
    ASSERT_TRUE(first && second);
    WriteFile(state, "500\n");
    ChildProcess two(
        Args({"program", "--ini", ini, "--port", first->SlavePath(), "--port", second->SlavePath(),
              "--serial", "0x100:4", "--serial-state", state, image}));
    EXPECT_EQ(two.Wait(), 0) << two.Err();
    const auto a = first->WaitForSession(kWait), b = second->WaitForSession(kWait);
    ASSERT_TRUE(a && b);
    const std::uint32_t serialA = (*a->flash)[kSerialAt] | (*a->flash)[kSerialAt + 1] << 8;
    const std::uint32_t serialB = (*b->flash)[kSerialAt] | (*b->flash)[kSerialAt + 1] << 8;
    EXPECT_EQ(std::set<std::uint32_t>({serialA, serialB}), (std::set<std::uint32_t>{500, 501}));
    ExpectBoard(*a, serialA);
    ExpectBoard(*b, serialB);
    EXPECT_EQ(ReadFile(state), "502\n");
    EXPECT_TRUE(Contains(two.Out(), "Serial: 500")) << two.Out();
}

TEST_F(SerialLine, BoardsThatCannotTakeTheirNumberAreRefusedBeforeTheLink) {
    auto loader = Loader({}, {}, kBigPackets);
    ASSERT_TRUE(loader);
    struct Case {
        std::vector<std::string> options;
        std::string message;
        const char* hint;
    };
    const std::string list = dir.File("serials.txt");
    WriteFile(list, "# two values\n01 02 03 04\n\n0a:0b:0c:0d\n");
    const std::string listState = dir.File("list.state");
    WriteFile(listState, "2\n");
    const Case cases[] = {
        {{"--serial", "2998:4"},
         "The serial number 1 does not lie inside the image",
         "it takes 0x00000BB6 to 0x00000BB9; the image holds 0x00000000 to 0x00000BB7 (3000 "
         "bytes)"},
        {{"--serial", "0x0FE:4"},
         "The serial number 1 would overwrite the image's own bytes",
         "the image holds F3 FA FF FF at 0x000000FE, not erased flash (FF)"},
        {{"--serial", "0x100:2", "--serial-start", "65536"},
         "the serial number 65536 does not fit in 2 bytes",
         nullptr},
        {{"--serial", "0x100:4", "--serial-file", list, "--serial-state", listState},
         "the serial list " + list + " is used up: its 2 values have all been taken",
         nullptr},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"program", "--ini", ini, "--port", loader->SlavePath()};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back(image);
        ChildProcess p(Args(args));
        EXPECT_EQ(p.Wait(), 10) << c.message << p.Err();
        EXPECT_TRUE(Contains(p.Err(), "kven-cli: " + c.message)) << p.Err();
        if (c.hint) {
            EXPECT_TRUE(Contains(p.Err(), std::string("hint: ") + c.hint)) << p.Err();
        }
        EXPECT_EQ(LastLine(p.Out()), "Job did not start");
    }
    // Nothing reached the loader; the list's state is as it was.
    EXPECT_FALSE(loader->WaitForSession(std::chrono::milliseconds(0)));
    EXPECT_EQ(ReadFile(listState), "2\n");

    // With --serial-overwrite the number goes over the image's bytes; a list gives its values
    // in order.
    WriteFile(listState, "1\n");
    ChildProcess over(
        Args({"program", "--ini", ini, "--port", loader->SlavePath(), "--serial", "0x0FE:4",
              "--serial-overwrite", "--serial-file", list, "--serial-state", listState, image}));
    EXPECT_EQ(over.Wait(), 0) << over.Err();
    const auto job = loader->WaitForSession(kWait);
    ASSERT_TRUE(job);
    EXPECT_EQ(std::vector<std::uint8_t>(job->flash->begin() + 0xFE, job->flash->begin() + 0x102),
              (std::vector<std::uint8_t>{0x0A, 0x0B, 0x0C, 0x0D}));
    EXPECT_EQ(ReadFile(listState), "2\n");
}

TEST_F(SerialLine, CtrlCDuringAnAttemptEndsTheBoardWithoutARetry) {
    sim::LoaderConfig cfg;
    cfg.eraseScale = 0.75;  // a 6 s erase: long enough to interrupt
    auto loader = sim::Simulator::Start(cfg);
    ASSERT_TRUE(loader);
    ChildProcess p(
        Args({"program", "--ini", ini, "--port", loader->SlavePath(), "--log", logFile, "--retries",
              "3", "--serial", "0x100:4", "--serial-start", "5", "--serial-state", state, image}));
    ASSERT_TRUE(p.ReadUntil([&] { return p.Out().find("Erase /Blank") != std::string::npos; },
                            std::chrono::seconds(30)))
        << p.Out() << p.Err();
    p.Signal(SIGINT);
    EXPECT_EQ(p.Wait(), 130);
    EXPECT_EQ(p.Out().find("again from the link"), std::string::npos) << p.Out();
    const auto log = LogLines();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0]["attempt"].Num(), 1);
    EXPECT_EQ(log[0]["result"].Num(), 130);
    // The interrupted board used no number.
    EXPECT_EQ(ReadFile(state), "5\n");
}

}  // namespace
