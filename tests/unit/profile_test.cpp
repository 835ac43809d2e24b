#include <gtest/gtest.h>

#include "platform/profile.h"
#include "support/temp_dir.h"

using platform::IniFile;
using platform::ParseProfileInt;

namespace {

TEST(ProfileInt, ReadsSignAndLeadingDigits) {
    struct Case {
        const char* text;
        std::int32_t value;
    };
    for (const Case& c :
         {Case{"42", 42}, Case{"  -7", -7}, Case{"+5", 5}, Case{"12abc", 12}, Case{"abc", 0},
          Case{"", 0}, Case{"4294967295", -1}, Case{"115200", 115200}}) {
        EXPECT_EQ(ParseProfileInt(c.text), c.value) << c.text;
    }
}

TEST(ProfileFile, NamesMatchWithoutCaseAndBlanksAreTrimmed) {
    IniFile ini = IniFile::Parse("[ Current ]\n  Output File =  a b  \n;x=1\n");
    EXPECT_EQ(ini.Get("CURRENT", "OUTPUT FILE"), "a b");
    EXPECT_FALSE(ini.Get("CURRENT", ";x").has_value());
    EXPECT_FALSE(ini.Get("OTHER", "OUTPUT FILE").has_value());
}

TEST(ProfileFile, NewKeysAndSectionsGoAtTheEnd) {
    IniFile ini = IniFile::Parse("[A]\nx=1\n\n[B]\ny=2\n");
    ini.Set("a", "z", "3");
    ini.Set("B", "Y", "4");
    ini.Set("C", "w", "5");
    EXPECT_EQ(ini.Text(), "[A]\nx=1\nz=3\n\n[B]\nY=4\n[C]\nw=5\n");
}

TEST(ProfileFile, CrlfIsReadAndKept) {
    IniFile ini = IniFile::Parse("[A]\r\nx=1\r\n");
    EXPECT_EQ(ini.Get("A", "x"), "1");
    ini.Set("A", "x", "2");
    EXPECT_EQ(ini.Text(), "[A]\r\nx=2\r\n");
}

TEST(ProfileFile, ALineBreakInANameOrValueIsRefused) {
    const std::string text = "[A]\nx=1\ny=2\n";
    IniFile ini = IniFile::Parse(text);
    EXPECT_FALSE(ini.Set("A", "x", "/tmp/a\n[X]\nb.bin"));
    EXPECT_FALSE(ini.Set("A", "x", "a\rb"));
    EXPECT_FALSE(ini.Set("A", "k\n", "v"));
    EXPECT_FALSE(ini.Set("B\r\n[A]", "x", "v"));
    EXPECT_EQ(ini.Text(), text);

    testing_support::TempDir dir;
    const std::string path = dir.File("k.INI");
    EXPECT_TRUE(platform::WritePrivateProfileString("S", "k", "v", path));
    EXPECT_FALSE(platform::WritePrivateProfileString("S", "k", "w\n[T]\nz=1", path));
    EXPECT_EQ(testing_support::ReadFile(path), "[S]\nk=v\n");
}

TEST(ProfileFile, SaveReplacesTheWholeFile) {
    testing_support::TempDir dir;
    const std::string path = dir.File("k.INI");
    EXPECT_TRUE(platform::WritePrivateProfileString("S", "k", "v", path));
    EXPECT_TRUE(platform::WritePrivateProfileString("S", "n", "12", path));
    EXPECT_EQ(platform::GetPrivateProfileInt("s", "N", 5, path), 12);
    EXPECT_EQ(platform::GetPrivateProfileInt("s", "missing", 5, path), 5);
    EXPECT_EQ(platform::GetPrivateProfileString("S", "k", "", 259, path), "v");
    EXPECT_EQ(testing_support::ReadFile(path), "[S]\nk=v\nn=12\n");
    // No temporary file is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1);
}

}  // namespace
