// The termios device's open-error mapping and line-setting rules, on a pseudo-terminal.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/comm_termios.h"
#include "platform/termios2.h"
#include "tests/support/pty_pair.h"

namespace {

using namespace platform;

TEST(SerialTermiosTest, OpenErrorsMapToThreeClasses) {
    const std::pair<int, DWORD> cases[] = {
        {ENOENT, ERROR_FILE_NOT_FOUND},     {ENODEV, ERROR_FILE_NOT_FOUND},
        {ENXIO, ERROR_FILE_NOT_FOUND},      {EACCES, ERROR_ACCESS_DENIED},
        {EPERM, ERROR_ACCESS_DENIED},       {EBUSY, ERROR_ACCESS_DENIED},
        {EWOULDBLOCK, ERROR_ACCESS_DENIED}, {EIO, ERROR_GEN_FAILURE},
        {EINVAL, ERROR_GEN_FAILURE},        {ENOTDIR, ERROR_GEN_FAILURE},
    };
    for (const auto& [err, expected] : cases)
        EXPECT_EQ(OpenErrorFromErrno(err), expected) << err;
}

// A failed open says why in the system's words, for the operator's box.
TEST(SerialTermiosTest, AFailedOpenKeepsTheSystemsReason) {
    TermiosCommDevice missing;
    EXPECT_EQ(missing.Open("/dev/kven-no-such-tty"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(missing.LastErrorText(), "No such file or directory");

    test_support::PtyPair pty;
    TermiosCommDevice first, second;
    ASSERT_EQ(first.Open(pty.SlavePath()), ERROR_SUCCESS);
    EXPECT_EQ(first.LastErrorText(), "");
    EXPECT_EQ(second.Open(pty.SlavePath()), ERROR_ACCESS_DENIED);
    // Refused by TIOCEXCL, or (root passes that) by the lock.
    EXPECT_THAT(second.LastErrorText(),
                ::testing::AnyOf("locked by another program", "Device or resource busy"));
}

TEST(SerialTermiosTest, LineSettingsRules) {
    test_support::PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    const int fd = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    struct Case {
        termios2::LineSettings s;
        int result;
    };
    const Case cases[] = {
        {{9600, 8, 0, 0}, 0},      {{14400, 8, 0, 0}, 0},     {{256000, 7, 2, 2}, 0},
        {{110, 5, 1, 1}, 0},       {{9600, 6, 3, 0}, 0},      {{9600, 8, 4, 0}, 0},
        {{9600, 4, 0, 0}, EINVAL}, {{9600, 9, 0, 0}, EINVAL}, {{9600, 8, 5, 0}, EINVAL},
        {{9600, 8, 0, 1}, EINVAL}, {{9600, 8, 0, 3}, EINVAL}, {{0, 8, 0, 0}, EINVAL},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(termios2::ApplyLineSettings(fd, c.s), c.result)
            << c.s.baudRate << " " << int(c.s.byteSize) << " " << int(c.s.parity) << " "
            << int(c.s.stopBits);
    }
    // A pseudo-terminal has no modem lines; clearing them is still fine.
    EXPECT_EQ(termios2::ClearModemLines(fd), 0);
    ::close(fd);
}

// What real drivers read back: the 8250's fall-back to 9600 bit/s above its top rate, a USB
// adapter's divider rounding, and parity or framing the driver did not take.
TEST(SerialTermiosTest, ALineTheDriverReplacedIsRefused) {
    using termios2::DriverKept;
    using termios2::LineReadBack;
    using termios2::LineSettings;
    struct Case {
        LineSettings asked;
        LineReadBack applied;
        bool kept;
    };
    const Case cases[] = {
        {{115200, 8, 0, 0}, {115200, 8, 0, false}, true},
        {{250000, 8, 0, 0}, {9600, 8, 0, false}, false},    // 8250 above 115200
        {{250000, 8, 0, 0}, {256000, 8, 0, false}, true},   // nearest divider, 2.4 % off
        {{115200, 8, 0, 0}, {119000, 8, 0, false}, false},  // 3.3 % off
        {{9600, 8, 3, 0}, {9600, 8, 1, false}, false},      // mark became odd (CMSPAR dropped)
        {{9600, 8, 4, 0}, {9600, 8, 0, false}, false},      // space became none
        {{9600, 7, 2, 2}, {9600, 7, 2, true}, true},        // two stop bits
        {{9600, 7, 2, 0}, {9600, 8, 2, false}, false},      // size replaced
        {{9600, 5, 0, 1}, {9600, 5, 0, true}, true},        // one and a half stop bits
        {{9600, 8, 0, 2}, {9600, 8, 0, false}, false},      // second stop bit dropped
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DriverKept(c.asked, c.applied), c.kept)
            << c.asked.baudRate << " -> " << c.applied.baudRate << ", parity "
            << int(c.asked.parity) << " -> " << int(c.applied.parity);
    }
}

}  // namespace
