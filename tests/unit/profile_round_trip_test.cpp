#include <gtest/gtest.h>

#include "platform/profile.h"

using platform::IniFile;

namespace {

// A file written back must read as it was: same line ending, same values. CRs left at the end
// of an unterminated last line would be written before the LF and turn the file into CRLF.
TEST(ProfileRoundTrip, CarriageReturnsEndingTheLastLineDoNotChangeTheLineEnding) {
    for (const char* text : {"[A]\nx=1\r\r", "[A]\nx=1\r", "[A]\r\nx=1\r\r\r"}) {
        const IniFile ini = IniFile::Parse(text);
        const std::string once = ini.Text();
        EXPECT_EQ(IniFile::Parse(once).Text(), once) << testing::PrintToString(text);
        EXPECT_EQ(IniFile::Parse(once).Get("A", "x"), "1") << testing::PrintToString(text);
    }
    EXPECT_EQ(IniFile::Parse("[A]\nx=1\r\r").Text(), "[A]\nx=1\n");
}

}  // namespace
