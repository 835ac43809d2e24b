// Ports as kven-cli finds them: waiting for one to appear, usb: names, `ports`, and the bash
// completion made from the option table.
#include <unistd.h>

#include <filesystem>

#include "cli/cli_fixture.h"
#include "cli/command/option_docs.h"
#include "cli/json_reader.h"

namespace {

using namespace testing_support;
constexpr auto kWait = std::chrono::seconds(60);

TEST_F(KvenCliTest, AMissingPortIsWaitedForUntilItAppears) {
    auto loader = Loader({}, {}, kBigPackets);
    ASSERT_TRUE(loader);
    // A link that stands for the adapter; it appears while kven-cli waits.
    const std::string link = dir.File("ttyLD");
    ChildProcess cli(Args({"program", "--ini", ini, "--port", link, "--wait-port", "60", image}));
    ASSERT_TRUE(cli.ReadUntil([&] { return Contains(cli.Err(), "waiting up to 60 s for"); }, kWait))
        << cli.Err();
    std::filesystem::create_symlink(loader->SlavePath(), link);
    EXPECT_EQ(cli.Wait(), 0) << cli.Err();
    EXPECT_EQ(LastLine(cli.Out()), "Writing is OK");

    // A port that never comes is given up after the wait, as one that is missing.
    ChildProcess gone(
        Args({"program", "--ini", ini, "--port", dir.File("never"), "--wait-port", "0.2", image}));
    EXPECT_EQ(gone.Wait(), 10);
    EXPECT_TRUE(Contains(gone.Err(), "waiting up to 0.2 s for"));
    EXPECT_TRUE(Contains(gone.Err(), "COM port can not be found"));
}

TEST_F(KvenCliTest, AUsbNameThatNamesNothingSaysSo) {
    ChildProcess cli(Args({"eepsum", "--ini", ini, "--port", "usb:fffe:0001", image}));
    EXPECT_EQ(cli.Wait(), 10);
    EXPECT_TRUE(Contains(cli.Err(), "COM port can not be found")) << cli.Err();
    EXPECT_TRUE(Contains(cli.Err(), "hint: no USB serial device has the id fffe:0001"))
        << cli.Err();

    // `ports --json` is one object, whatever devices this machine has.
    ChildProcess ports(Args({"ports", "--ini", ini, "--json"}));
    EXPECT_EQ(ports.Wait(), 0);
    const auto json = JsonReader::Parse(LastLine(ports.Out()));
    ASSERT_TRUE(json) << ports.Out();
    for (const JsonValue& port : (*json)["ports"].Arr())
        EXPECT_TRUE(port["device"].Str().starts_with("/dev/"));
}

// Completes `line` with the generated script in bash, as a shell would on Tab; `kven-cli` in
// it is a stand-in whose `ports --names` lists two ports.
std::vector<std::string> Complete(const TempDir& dir, const std::string& line) {
    const std::string script = dir.File("kven-cli.bash");
    WriteFile(script, cli::BashCompletion());
    const std::string fake = dir.File("kven-cli");
    WriteFile(fake,
              "#!/bin/sh\n[ \"$1 $2\" = \"ports --names\" ] && printf "
              "'COM1\\n/dev/ttyUSB0\\nusb:1a86:7523#1\\nusb:1a86:7523#2\\n'\n");
    std::filesystem::permissions(fake, std::filesystem::perms::owner_all);
    const std::string driver = dir.File("complete.sh");
    WriteFile(driver, "source '" + script +
                          "'\n"
                          "COMP_LINE=\"$1\"; COMP_POINT=${#1}\n"
                          "read -ra COMP_WORDS <<<\"$1\"; COMP_CWORD=$((${#COMP_WORDS[@]} - 1))\n"
                          "[[ $1 == *' ' ]] && COMP_CWORD=${#COMP_WORDS[@]}\n"
                          "cd '" +
                          dir.path().string() +
                          "'\n"
                          "_kven_cli '" +
                          fake +
                          "'\n"
                          "((${#COMPREPLY[@]})) && printf '%s\\n' \"${COMPREPLY[@]}\"\n"
                          "exit 0\n");
    ChildProcess bash({"/bin/bash", driver, line});
    EXPECT_EQ(bash.Wait(), 0) << bash.Err();
    return Lines(bash.Out());
}

TEST(BashCompletion, CompletesCommandsOptionsValuesPortsAndImages) {
    TempDir dir;
    WriteFile(dir.File("image.bin"), "");
    WriteFile(dir.File("my image.hex"), "");
    using V = std::vector<std::string>;
    EXPECT_EQ(Complete(dir, "kven-cli po"), V{"ports"});
    EXPECT_EQ(Complete(dir, "kven-cli program --serial-f"),
              (V{"--serial-format", "--serial-file"}));
    EXPECT_EQ(Complete(dir, "kven-cli ports --"), (V{"--ini", "--json", "--names", "--help"}));
    EXPECT_EQ(Complete(dir, "kven-cli program --parity e"), V{"even"});
    EXPECT_EQ(Complete(dir, "kven-cli program --port "),
              (V{"COM1", "/dev/ttyUSB0", "usb:1a86:7523#1", "usb:1a86:7523#2"}));
    // bash replaces only what follows the last colon of the word.
    EXPECT_EQ(Complete(dir, "kven-cli program --port usb:1a86:7523#"), (V{"7523#1", "7523#2"}));
    EXPECT_EQ(Complete(dir, "kven-cli program --json ima"), V{"image.bin"});
    EXPECT_EQ(Complete(dir, "kven-cli program --serial-file my"), V{"my image.hex"});
    EXPECT_EQ(Complete(dir, "kven-cli eepsum --serial"), V{});  // a Program option
}

}  // namespace
