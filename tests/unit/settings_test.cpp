#include <gtest/gtest.h>

#include <filesystem>

#include "settings/app_settings.h"
#include "settings/ini_location.h"
#include "support/temp_dir.h"

using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

const std::function<bool(const std::string&)> kWritable = [](const std::string&) { return true; };
const std::function<bool(const std::string&)> kReadOnly = [](const std::string&) { return false; };

// A folder and a name joined with the platform's separator.
std::string Join(const char* dir, const char* name) {
    return (std::filesystem::path(dir) / name).string();
}

TEST(IniLocation, ExtensionRules) {
    struct Case {
        const char* exe;
        std::string ini;
    };
    for (const Case& c : {Case{"/opt/tools/prog.exe", Join("/opt/tools", "prog.INI")},
                          Case{"/opt/tools/prog.EXE", Join("/opt/tools", "prog.INI")},
                          Case{"/opt/tools/prog.abc", Join("/opt/tools", "prog.INI")},
                          Case{"/usr/bin/kven", Join("/usr/bin", "kven.INI")},
                          Case{"/usr/bin/kven-cli", Join("/usr/bin", "kven-cli.INI")}}) {
        EXPECT_EQ(IniPathForExecutable(c.exe, "/home/u/.config/kven", kWritable), c.ini) << c.exe;
    }
    EXPECT_EQ(IniPathForExecutable("/usr/bin/kven", "/home/u/.config/kven", kReadOnly),
              Join("/home/u/.config/kven", "kven.INI"));
}

class SettingsTest : public ::testing::Test {
  protected:
    TempDir dir;
    std::string exe = dir.File("prog.exe");
    std::string ini = dir.File("prog.INI");

    void SetUp() override { AppSettings = {}; }
};

TEST_F(SettingsTest, FirstStartWritesElevenKeysInOrderWithDefaultPaths) {
    InitSettingsFor(exe);
    EXPECT_EQ(AppSettings.iniPath, ini);
    EXPECT_EQ(AppSettings.port, 1);
    EXPECT_EQ(AppSettings.baudRate, 115200);
    EXPECT_EQ(AppSettings.byteSize, 8);
    EXPECT_EQ(AppSettings.parity, 0);
    EXPECT_EQ(AppSettings.stopBits, 0);
    EXPECT_EQ(AppSettings.tranFile, "");
    EXPECT_EQ(AppSettings.outputEnable, 1);
    EXPECT_EQ(AppSettings.outputFile, dir.File("verify.bin"));
    EXPECT_EQ(AppSettings.eepsumShowEnable, 0);
    EXPECT_EQ(AppSettings.eepsumOutputEnable, 0);
    EXPECT_EQ(AppSettings.eepsumFile, dir.File("EEPSUM.bin"));
    EXPECT_EQ(ReadFile(ini),
              "[CURRENT]\nPORT=1\nBAUDRATE=115200\nBYTESIZE=8\nPARITY=0\n"
              "STOPBITS=0\nTRANFILE=\nOUTPUT ENABLE=1\nOUTPUT FILE=" +
                  dir.File("verify.bin") +
                  "\nEEPSUM SHOW ENABLE=0\nEEPSUM OUTPUT ENABLE=0\nEEPSUM FILE=" +
                  dir.File("EEPSUM.bin") + "\n");
}

TEST_F(SettingsTest, LoadedValuesAreDefaultedAndLongPathsKeptWhole) {
    // Longer than a Windows path, ending in a character of several bytes.
    const std::string longName = std::string(258, 'x') + "\xC3\xA9.bin";
    WriteFile(ini,
              "; operator notes\r\n[Other]\r\nkeep=me\r\n[current]\r\n  port = 257 \r\n"
              "BYTESIZE=264\r\nBAUDRATE=250000\r\nparity=abc\r\nOUTPUT FILE=\r\n"
              "EEPSUM FILE=out.bin\r\nTRANFILE=" +
                  longName + "\r\nCustom Key=42\r\n");
    InitSettingsFor(exe);
    EXPECT_EQ(AppSettings.port, 1);      // 257 keeps its low 8 bits
    EXPECT_EQ(AppSettings.byteSize, 8);  // 264 likewise
    EXPECT_EQ(AppSettings.baudRate, 250000);
    EXPECT_EQ(AppSettings.parity, 0);  // no digits
    EXPECT_EQ(AppSettings.outputFile, dir.File("verify.bin"));
    EXPECT_EQ(AppSettings.eepsumFile, "out.bin");
    EXPECT_EQ(AppSettings.tranFile, longName);

    const std::string text = ReadFile(ini);
    EXPECT_EQ(text.rfind("; operator notes\r\n[Other]\r\nkeep=me\r\n[current]\r\n", 0), 0u);
    for (const char* line : {"PORT=1\r\n", "BYTESIZE=8\r\n", "BAUDRATE=250000\r\n",
                             "Custom Key=42\r\n", "EEPSUM FILE=out.bin\r\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line;
    }
    EXPECT_NE(text.find("TRANFILE=" + longName + "\r\n"), std::string::npos);
    // Keys that were missing go at the end of the section, after the ones it had.
    EXPECT_LT(text.find("Custom Key=42"), text.find("STOPBITS=0"));
}

TEST_F(SettingsTest, APathWithALineBreakNeverBreaksTheFile) {
    InitSettingsFor(exe);
    AppSettings.tranFile = "/tmp/a.bin";
    SaveSettings();
    AppSettings.tranFile = "/tmp/a\n[X]\nb.bin";
    AppSettings.baudRate = 9600;
    SaveSettings();
    AppSettings = {};
    InitSettingsFor(exe);
    // The path that cannot be stored keeps its old value; every other key is saved.
    EXPECT_EQ(AppSettings.tranFile, "/tmp/a.bin");
    EXPECT_EQ(AppSettings.baudRate, 9600);
    EXPECT_EQ(ReadFile(ini).find("[X]"), std::string::npos);
}

TEST_F(SettingsTest, ReadOnlyFileOrFolderKeepsRecordAndReportsNothing) {
    InitSettingsFor(exe);
    const std::string before = ReadFile(ini);
    namespace fs = std::filesystem;
    fs::permissions(ini, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    AppSettings.port = 7;
    SaveSettings();
    EXPECT_EQ(ReadFile(ini), before);
    EXPECT_EQ(AppSettings.port, 7);

    fs::permissions(ini, fs::perms::owner_write, fs::perm_options::add);
    fs::permissions(dir.path(), fs::perms::owner_write | fs::perms::group_write,
                    fs::perm_options::remove);
    AppSettings.port = 9;
    SaveSettings();  // may succeed as root (folder bits do not bind root); must not throw
    EXPECT_EQ(AppSettings.port, 9);
    fs::permissions(dir.path(), fs::perms::owner_write, fs::perm_options::add);
}

}  // namespace
