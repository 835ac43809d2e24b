// The job log (--log): one JSON object per job, appended whole by any number of processes.
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <set>

#include "cli/cli_fixture.h"
#include "cli/job/sha256.h"
#include "cli/json_reader.h"
#include "cli/output/job_record.h"

namespace {

using namespace testing_support;

// "2025-12-07T01:12:49.123Z"
bool IsIsoUtcMillis(const std::string& t) {
    const std::string_view pattern = "dddd-dd-ddTdd:dd:dd.dddZ";
    if (t.size() != pattern.size())
        return false;
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (pattern[i] == 'd' ? !std::isdigit(static_cast<unsigned char>(t[i]))
                              : t[i] != pattern[i])
            return false;
    }
    return true;
}

std::string FileSha256(const std::string& path) {
    const std::string bytes = ReadFile(path);
    return cli::Sha256Hex(
        std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

TEST_F(KvenCliTest, LogLinesParseAndHoldTheJob) {
    auto good = Loader({}, {}, kBigPackets);
    auto faulty = Loader({"bad:ack:3"}, {}, kBigPackets);
    ASSERT_TRUE(good && faulty);
    const std::string log = dir.File("jobs.log");
    ChildProcess cli(Args({"program", "--ini", ini, "--port", good->SlavePath(), "--port",
                           faulty->SlavePath(), "--log", log, image}));
    EXPECT_EQ(cli.Wait(), 8) << cli.Err();
    const auto lines = Lines(ReadFile(log));
    ASSERT_EQ(lines.size(), 2u);
    std::set<std::string> ports;
    for (const std::string& line : lines) {
        const auto job = JsonReader::Parse(line);
        ASSERT_TRUE(job) << line;
        const JsonValue& j = *job;
        EXPECT_TRUE(IsIsoUtcMillis(j["start"].Str())) << j["start"].Str();
        ports.insert(j["port"].Str());
        EXPECT_EQ(j["device"].Str(), j["port"].Str());
        EXPECT_EQ(j["mode"].Str(), "program");
        EXPECT_EQ(j["image"]["path"].Str(), std::filesystem::absolute(image).string());
        EXPECT_EQ(j["image"]["size"].Num(), 3000);
        EXPECT_EQ(j["image"]["sha256"].Str(), FileSha256(image));
        EXPECT_EQ(j["fileChecksum"].Str(), "D5DC");
        EXPECT_EQ(j["loader"]["version"].Str(), "0123");
        EXPECT_EQ(j["loader"]["letter"].Str(), "A");
        EXPECT_EQ(j["loader"]["packetSize"].Num(), kBigPackets);
        const bool ok = j["port"].Str() == good->SlavePath();
        EXPECT_EQ(j["result"].Num(), ok ? 0 : 8);
        EXPECT_EQ(j["text"].Str(), ok ? "Writing is OK" : "Write sync failed");
        EXPECT_GT(j["seconds"].Num(), 0);
        EXPECT_EQ(j["bytes"].Num(), ok ? 3000 : 3 * kBigPackets);  // up to the third packet
        EXPECT_GT(j["bytesPerSecond"].Num(), 0);
    }
    EXPECT_EQ(ports, (std::set<std::string>{good->SlavePath(), faulty->SlavePath()}));

    // A job that does not start is logged too, and the log grows by appending.
    ChildProcess missing(
        Args({"eepsum", "--ini", ini, "--port", dir.File("nothing"), "--log", log, image}));
    EXPECT_EQ(missing.Wait(), 10);
    const auto all = Lines(ReadFile(log));
    ASSERT_EQ(all.size(), 3u);
    const auto failed = JsonReader::Parse(all[2]);
    ASSERT_TRUE(failed);
    EXPECT_EQ((*failed)["result"].Num(), 10);
    EXPECT_EQ((*failed)["mode"].Str(), "eepsum");
    EXPECT_TRUE((*failed)["loader"].IsNull());
}

TEST(JobLog, TwoProcessesAppendingNeverMixWithinALine) {
    TempDir dir;
    const std::string log = dir.File("shared.log");
    constexpr int kLines = 400;
    // Longer than a pipe's atomic write, so only the append itself keeps a line whole.
    constexpr std::size_t kLength = 20000;
    std::vector<pid_t> writers;
    for (const char letter : {'a', 'b'}) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            const std::string line(kLength, letter);
            bool ok = true;
            for (int i = 0; i < kLines; ++i)
                ok = cli::AppendLine(log, line) && ok;
            ::_exit(ok ? 0 : 1);
        }
        writers.push_back(pid);
    }
    for (const pid_t pid : writers) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const auto lines = Lines(ReadFile(log));
    ASSERT_EQ(lines.size(), 2u * kLines);
    int a = 0;
    for (const std::string& line : lines) {
        ASSERT_EQ(line.size(), kLength);
        ASSERT_EQ(line.find_first_not_of(line[0]), std::string::npos);
        a += line[0] == 'a';
    }
    EXPECT_EQ(a, kLines);
}

}  // namespace
