// kven-cli's command line: what the option table accepts and refuses, and what the processes
// of several ports are given.
#include <gtest/gtest.h>

#include "cli/command/options.h"

namespace {

using cli::ParseOptions;

cli::ParseResult Parse(std::vector<std::string_view> args) {
    return ParseOptions(args);
}

TEST(CliOptions, TheBoardOptionsParse) {
    const auto r = Parse({"program",
                          "--port",
                          "usb:1a86:7523#2",
                          "--serial",
                          "0x1FF0:4",
                          "--serial-start",
                          "1000",
                          "--serial-step",
                          "2",
                          "--serial-format",
                          "be",
                          "--serial-state",
                          "s",
                          "--serial-overwrite",
                          "--reset",
                          "dtr, -rts ,50ms,-dtr",
                          "--after",
                          "RTS,-rts",
                          "--retries",
                          "3",
                          "--wait-port",
                          "2.5",
                          "--station",
                          "bench 4",
                          "img.bin"});
    ASSERT_TRUE(r.options) << r.error;
    const cli::Options& o = *r.options;
    EXPECT_EQ(o.ports, std::vector<std::string>{"usb:1a86:7523#2"});
    EXPECT_EQ(o.serial.address, 0x1FF0u);
    EXPECT_EQ(o.serial.width, 4u);
    EXPECT_EQ(o.serial.start, 1000u);
    EXPECT_EQ(o.serial.step, 2u);
    EXPECT_EQ(o.serial.format, cli::SerialFormat::BigEndian);
    EXPECT_TRUE(o.serial.overwrite);
    ASSERT_EQ(o.reset.size(), 4u);
    EXPECT_EQ(cli::StepText(o.reset[1]), "-rts");
    EXPECT_EQ(o.reset[2].pause, std::chrono::milliseconds(50));
    EXPECT_EQ(o.after.size(), 2u);
    EXPECT_EQ(o.retries, 3);
    EXPECT_EQ(o.waitPort, std::chrono::milliseconds(2500));
    EXPECT_EQ(o.station, "bench 4");
}

TEST(CliOptions, CombinationsThatCannotWorkAreRefused) {
    const std::vector<std::pair<std::vector<std::string_view>, std::string>> cases = {
        {{"program", "--serial-start", "5", "i"}, "the --serial- options go with --serial"},
        {{"program", "--serial", "0x10:4", "--serial-file", "f", "--serial-start", "2", "i"},
         "--serial-file takes its values as they are"},
        {{"program", "--serial", "0x10:9", "i"}, "--serial: a serial number is 1 to 8 bytes"},
        {{"program", "--serial", "0x10:33", "--serial-format", "dec", "i"},
         "--serial: a serial number is 1 to 32 digits"},
        {{"program", "--serial", "16", "i"}, "--serial takes ADDR:WIDTH"},
        {{"program", "--port", "/a", "--port", "/b", "--serial", "0:4", "i"},
         "--serial with several ports needs --serial-state"},
        {{"eepsum", "--serial", "0:4", "i"}, "--serial does not go with eepsum"},
        {{"ports", "--port", "/a"}, "--port does not go with ports"},
        {{"ports", "--json", "--names"}, "--json and --names exclude each other"},
        {{"program", "--reset", "dtr,,-dtr", "i"}, "--reset: '' is no step"},
        {{"program", "--reset", "dtr,20000ms", "i"}, "--reset: '20000ms' is no step"},
        {{"program", "--after", "cts", "i"}, "--after: 'cts' is no step"},
        {{"program", "--retries", "-1", "i"}, "--retries takes 0 to 100"},
        {{"program", "--wait-port", "1.2345", "i"}, "--wait-port takes seconds"},
        {{"program", "--serial-format", "bcd", "i"}, "--serial-format takes le, be, dec or hex"},
    };
    for (const auto& [args, error] : cases) {
        const auto r = Parse(args);
        EXPECT_FALSE(r.options) << error;
        EXPECT_TRUE(r.error.starts_with(error)) << r.error;
    }
}

TEST(CliOptions, EachPortsProcessGetsItsPortAndEveryOtherOptionWhole) {
    // A flag must not take the next argument with it, nor an option lose its value.
    const std::vector<std::string_view> args = {"program",
                                                "--port",
                                                "/a",
                                                "--serial-overwrite",
                                                "--serial",
                                                "0:4",
                                                "--serial-state",
                                                "s",
                                                "--json",
                                                "--port",
                                                "/b",
                                                "--reset",
                                                "dtr",
                                                "img"};
    EXPECT_EQ(cli::PortProcessArgs(args, "/b", "--progress"),
              (std::vector<std::string>{"program", "--serial-overwrite", "--serial", "0:4",
                                        "--serial-state", "s", "--reset", "dtr", "img",
                                        "--progress", "--port", "/b"}));
}

}  // namespace
