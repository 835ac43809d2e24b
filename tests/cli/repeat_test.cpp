// Board after board (--repeat) against a simulated line whose boards are swapped.
#include <csignal>

#include "cli/cli_fixture.h"

namespace {

using namespace testing_support;
constexpr auto kWait = std::chrono::seconds(60);

// Every session the simulator served, in order.
std::vector<sim::SessionResult> Sessions(sim::Simulator& loader) {
    std::vector<sim::SessionResult> sessions;
    while (auto s = loader.WaitForSession(std::chrono::milliseconds(0)))
        sessions.push_back(std::move(*s));
    return sessions;
}

TEST_F(KvenCliTest, RepeatProgramsEachBoardOnceAndTalliesOnInterrupt) {
    // Each board serves its job and one more link request, then leaves: kven-cli must find it
    // still there after its job, and take the next link only once the line is silent.
    sim::SimulatorOptions swap;
    swap.sessionsPerBoard = 2;
    swap.startEmpty = true;
    auto loader = Loader({}, swap, kBigPackets);
    ASSERT_TRUE(loader);
    const std::string log = dir.File("line.log");
    ChildProcess cli(Args(
        {"program", "--repeat", "--ini", ini, "--port", loader->SlavePath(), "--log", log, image}));

    const std::vector<std::optional<std::vector<sim::Fault>>> boards = {
        std::nullopt, std::vector{*sim::ParseFault("bad:ack:3")}, std::vector<sim::Fault>{}};
    for (const auto& faults : boards) {
        // The link request that finds the socket empty is no failure: kven-cli waits on.
        ASSERT_TRUE(loader->WaitUntilProbedEmpty(kWait)) << cli.Out() << cli.Err();
        ASSERT_TRUE(loader->InsertBoard(faults));
    }
    ASSERT_TRUE(loader->WaitUntilProbedEmpty(kWait)) << cli.Out() << cli.Err();
    cli.Signal(SIGINT);
    EXPECT_EQ(cli.Wait(), 8) << cli.Err();  // the last failure's code

    const auto lines = Lines(cli.Out());
    ASSERT_EQ(lines.size(), 4u) << cli.Out();
    EXPECT_TRUE(lines[0].starts_with("board 1: Writing is OK  ")) << lines[0];
    EXPECT_TRUE(lines[1].starts_with("board 2: Write sync failed  ")) << lines[1];
    EXPECT_TRUE(lines[2].starts_with("board 3: Writing is OK  ")) << lines[2];
    EXPECT_TRUE(Contains(lines[0], " s  CheckSum: ")) << lines[0];
    EXPECT_EQ(lines[3], "3 boards: 2 OK, 1 failed (Write sync failed: 1)");
    EXPECT_EQ(Lines(ReadFile(log)).size(), 3u);

    // One Program session per board; what followed each was a link request, answered and
    // left there, that neither erased nor wrote anything.
    const auto sessions = Sessions(*loader);
    ASSERT_EQ(sessions.size(), 6u);
    const sim::Ending endings[] = {sim::Ending::Complete, sim::Ending::Faulted,
                                   sim::Ending::Complete};
    for (std::size_t board = 0; board < 3; ++board) {
        const auto& job = sessions[2 * board];
        const auto& probe = sessions[2 * board + 1];
        EXPECT_EQ(job.mode, sim::Mode::Program);
        EXPECT_EQ(job.ending, endings[board]);
        EXPECT_EQ(probe.mode, sim::Mode::EepSum);
        EXPECT_NE(probe.ending, sim::Ending::Complete);
    }
}

TEST_F(KvenCliTest, RepeatWithoutBoardsEndsCleanlyAndAStartFailureEndsTheLine) {
    sim::SimulatorOptions swap;
    swap.sessionsPerBoard = 1;
    swap.startEmpty = true;
    auto loader = Loader({}, swap, kBigPackets);
    ASSERT_TRUE(loader);
    ChildProcess idle(
        Args({"program", "--repeat", "--ini", ini, "--port", loader->SlavePath(), image}));
    ASSERT_TRUE(loader->WaitUntilProbedEmpty(kWait));
    idle.Signal(SIGINT);
    EXPECT_EQ(idle.Wait(), 0);
    EXPECT_EQ(idle.Out(), "0 boards: 0 OK, 0 failed\n");

    ChildProcess missing(
        Args({"program", "--repeat", "--ini", ini, "--port", dir.File("no-such-tty"), image}));
    EXPECT_EQ(missing.Wait(), 10);
    EXPECT_TRUE(Contains(missing.Err(), "COM port can not be found"));
    EXPECT_EQ(LastLine(missing.Out()), "0 boards: 0 OK, 0 failed");
}

}  // namespace
