// The parts of kven-cli that need no loader: SHA-256, JSON text, the tally, progress lines and
// the arguments of the per-port processes.
#include <gtest/gtest.h>

#include <string>

#include "cli/cli_fixture.h"
#include "cli/command/options.h"
#include "cli/job/hints.h"
#include "cli/job/sha256.h"
#include "cli/json_reader.h"
#include "cli/line/port_state.h"
#include "cli/line/progress_stream.h"
#include "cli/line/tally.h"
#include "cli/output/json.h"
#include "platform/permission_hints.h"

namespace {

using testing_support::JsonReader;

std::string Sha(std::string_view text) {
    return cli::Sha256Hex(
        std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

TEST(CliParts, Sha256MatchesTheStandardsVectors) {
    EXPECT_EQ(Sha(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Sha("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    // A million 'a' fed in uneven pieces: blocks that straddle the updates.
    cli::Sha256 sha;
    const std::string piece(997, 'a');
    std::size_t fed = 0;
    while (fed < 1'000'000) {
        const std::size_t n = std::min(piece.size(), 1'000'000 - fed);
        sha.Update(std::span(reinterpret_cast<const std::uint8_t*>(piece.data()), n));
        fed += n;
    }
    EXPECT_EQ(cli::HexDigest(sha.Final()),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    // 55, 56 and 64 bytes: the length fits in the last block, needs one more, or follows a
    // full block.
    EXPECT_EQ(Sha(std::string(55, 'x')),
              "d5e285683cd4efc02d021a5c62014694958901005d6f71e89e0989fac77e4072");
    EXPECT_EQ(Sha(std::string(56, 'x')),
              "04c26261370ee7541549d16dee320c723e3fd14671e66a099afe0a377c16888e");
    EXPECT_EQ(Sha(std::string(64, 'x')),
              "7ce100971f64e7001e8fe5a51973ecdfe1ced42befe7ee8d5fd6219506b5393c");
}

TEST(CliParts, JsonStringsStayValidForAnyBytes) {
    const std::string awkward = "quote\" back\\slash \n\t\x01 caf\xc3\xa9 bad\xff\xc3 end";
    const std::string object = cli::JsonObject().String("path", awkward).Int("n", -3).Text();
    const auto parsed = JsonReader::Parse(object);
    ASSERT_TRUE(parsed) << object;
    // The reader keeps \u escapes as they stand.
    EXPECT_EQ((*parsed)["path"].Str(),
              "quote\" back\\slash \\u000a\\u0009\\u0001 caf\xc3\xa9 bad\\ufffd\\ufffd end");
    EXPECT_EQ((*parsed)["n"].Num(), -3);
}

TEST(CliParts, TallyCountsFailuresByResultAndKeepsTheLast) {
    cli::Tally tally;
    EXPECT_EQ(tally.Text(), "0 boards: 0 OK, 0 failed");
    EXPECT_EQ(tally.ExitCode(), 0);
    for (const int code : {0, 3, 0, 2, 3, 0})
        tally.Add(code);
    EXPECT_EQ(tally.Text(), "6 boards: 3 OK, 3 failed (Time out: 1, Verify failed: 2)");
    EXPECT_EQ(tally.ExitCode(), 3);
    const auto json = JsonReader::Parse(tally.Json("COM3"));
    ASSERT_TRUE(json);
    EXPECT_EQ((*json)["port"].Str(), "COM3");
    EXPECT_EQ((*json)["failed"].Num(), 3);
    EXPECT_EQ((*json)["failures"].Arr().size(), 2u);
    EXPECT_EQ((*json)["exit"].Num(), 3);
}

TEST(CliParts, ProgressLinesCarryTheJobToTheTable) {
    testing_support::TempDir dir;
    const std::string file = dir.File("stream");
    std::FILE* out = std::fopen(file.c_str(), "w+");
    ASSERT_TRUE(out);
    {
        cli::ProgressStream stream(out);
        cli::JobView view;
        view.phase = cli::Phase::Write;
        view.total = 3000;
        view.position = 3000;
        view.fileChecksum = 0xD5DC;
        stream.OnStatus(view, 5);
        stream.OnStatus(view, 1);
        stream.Message("COM port can not be found\nsecond line");
        stream.Waiting(2, true);
        cli::JobRecord record;
        record.board = 1;
        record.code = 8;
        record.bytes = 192;
        record.seconds = 0.25;
        stream.Board(record);
    }
    std::fclose(out);
    cli::PortState state;
    state.port = "/dev/ttyUSB0";
    std::vector<std::string> printed;
    for (const std::string& line : testing_support::Lines(testing_support::ReadFile(file))) {
        const auto event = cli::ParseProgress(line);
        ASSERT_TRUE(event) << line;
        if (const auto print = cli::ApplyEvent(state, 0, *event))
            printed.push_back(print->text);
    }
    EXPECT_EQ(state.checksum, 0xD5DC);
    EXPECT_EQ(state.tally.ExitCode(), 8);
    ASSERT_EQ(printed.size(), 4u);
    EXPECT_EQ(printed[0], "port 1 /dev/ttyUSB0: Writing");
    EXPECT_EQ(printed[1], "kven-cli: port 1 /dev/ttyUSB0: COM port can not be found second line");
    EXPECT_EQ(printed[2], "port 1 /dev/ttyUSB0: remove board 1");
    EXPECT_EQ(printed[3],
              "port 1 /dev/ttyUSB0: board 1: Write sync failed  0.25 s  CheckSum: D5DC");
    EXPECT_FALSE(cli::ParseProgress("progress sideways 1 2 3"));
    EXPECT_FALSE(cli::ParseProgress("result 1 2 3 4 5"));
    EXPECT_FALSE(cli::ParseProgress("board x"));
}

TEST(CliParts, EachPortsProcessGetsThatPortAndTheRest) {
    const std::vector<std::string_view> args = {"program", "--port", "/a", "--json",   "--log",
                                                "--quiet", "--port", "/b", "--repeat", "img"};
    EXPECT_EQ(cli::PortProcessArgs(args, "/b", "--progress"),
              (std::vector<std::string>{"program", "--log", "--quiet", "--repeat", "img",
                                        "--progress", "--port", "/b"}));
}

}  // namespace

namespace {

TEST(CliParts, PermissionHintsNameAGroupOnlyWhereItHelps) {
    // A group that may read and write: joining it helps.
    auto hints = platform::PermissionHints("/dev/ttyUSB0", 020660, "root", "dialout");
    ASSERT_EQ(hints.size(), 1u);
    EXPECT_NE(hints[0].find("sudo usermod -aG dialout $USER"), std::string::npos) << hints[0];

    // root:root 0600 (as a new user found it): joining root would not help and is unsafe.
    hints = platform::PermissionHints("/dev/ttyS4", 020600, "root", "root");
    ASSERT_EQ(hints.size(), 2u);
    EXPECT_EQ(hints[0],
              "/dev/ttyS4 (owner root, group root, mode 0600) may be opened for reading "
              "and writing only by root");
    for (const std::string& h : hints)
        EXPECT_EQ(h.find("usermod"), std::string::npos) << h;

    // A group that may only read, and a root group with rights: no group advice either.
    for (const auto& [mode, group] : {std::pair{020640u, "dialout"}, std::pair{020660u, "root"}}) {
        hints = platform::PermissionHints("/dev/ttyACM0", mode, "alice", group);
        ASSERT_FALSE(hints.empty());
        EXPECT_EQ(hints[0].find("usermod"), std::string::npos) << hints[0];
        EXPECT_NE(hints[0].find("only by root and alice"), std::string::npos) << hints[0];
    }
}

}  // namespace
