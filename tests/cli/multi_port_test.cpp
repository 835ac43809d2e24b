// Several ports at once: one kven-cli process per port, a table, one line per port at the end.
#include <filesystem>

#include "cli/cli_fixture.h"
#include "cli/json_reader.h"

namespace {

using namespace testing_support;

TEST_F(KvenCliTest, TwoPortsAtOnceEndWithALinePerPortAndTheLowestPortsFailure) {
    auto good = Loader({}, {}, kBigPackets);
    auto faulty = Loader({"bad:ack:3"}, {}, kBigPackets);
    ASSERT_TRUE(good && faulty);
    ChildProcess cli(Args({"program", "--ini", ini, "--port", good->SlavePath(), "--port",
                           faulty->SlavePath(), image}));
    EXPECT_EQ(cli.Wait(), 8) << cli.Err();
    const auto lines = Lines(cli.Out());
    ASSERT_GE(lines.size(), 2u);
    const std::string& first = lines[lines.size() - 2];
    const std::string& second = lines.back();
    EXPECT_TRUE(
        first.starts_with("port 1 " + good->SlavePath() + ": Writing is OK  3000 bytes in "))
        << first;
    EXPECT_TRUE(Contains(first, "CheckSum: D5DC")) << first;
    EXPECT_TRUE(second.starts_with("port 2 " + faulty->SlavePath() + ": Write sync failed  "))
        << second;
    // Piped, the table gives way to a line per change: no escape sequences.
    EXPECT_EQ(cli.Out().find('\x1b'), std::string::npos);
    EXPECT_TRUE(Contains(cli.Out(), "port 2 " + faulty->SlavePath() + ": Writing\n"));

    // Both failing: the first port's code wins, whatever finished first.
    auto badLength = Loader({"bad:length"}, {}, kBigPackets);
    ASSERT_TRUE(badLength);
    ChildProcess both(Args({"program", "--ini", ini, "--port", badLength->SlavePath(), "--port",
                            faulty->SlavePath(), "--quiet", image}));
    EXPECT_EQ(both.Wait(), 7) << both.Err();
    ASSERT_EQ(Lines(both.Out()).size(), 2u) << both.Out();
    EXPECT_TRUE(
        Contains(both.Out(), "port 1 " + badLength->SlavePath() + ": Set file length failed"));
}

TEST_F(KvenCliTest, TwoPortsWithJsonPrintOneObjectPerPortInPortOrder) {
    auto first = Loader({"corrupt:readback:2"}, {}, kBigPackets);
    auto second = Loader({}, {}, kBigPackets);
    ASSERT_TRUE(first && second);
    ChildProcess cli(Args({"program", "--json", "--ini", ini, "--port", first->SlavePath(),
                           "--port", second->SlavePath(), image}));
    EXPECT_EQ(cli.Wait(), 3) << cli.Err();
    const auto lines = Lines(cli.Out());
    ASSERT_EQ(lines.size(), 2u) << cli.Out();
    const auto a = JsonReader::Parse(lines[0]);
    const auto b = JsonReader::Parse(lines[1]);
    ASSERT_TRUE(a && b) << cli.Out();
    EXPECT_EQ((*a)["port"].Str(), first->SlavePath());
    EXPECT_EQ((*a)["result"].Num(), 3);
    EXPECT_EQ((*b)["port"].Str(), second->SlavePath());
    EXPECT_EQ((*b)["result"].Num(), 0);
}

TEST_F(KvenCliTest, UsageErrorsOfSeveralPorts) {
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"program", "--port", "/a", "--port", "/b", "--readback", "x",
                                   image},
          {"program", "--port", "/a", "--port", "/b", "--progress", image},
          {"program", "--json", "--progress", image}}) {
        ChildProcess p(Args(bad));
        EXPECT_EQ(p.Wait(), 64);
        EXPECT_TRUE(Contains(p.Err(), "usage:"));
    }
}

}  // namespace
