// What the box of a job that failed to start says beneath its text.
#include <gtest/gtest.h>

#include "job/start_failure.h"
#include "platform/com_ports.h"
#include "serial/serial_port.h"
#include "support/temp_dir.h"

namespace {

constexpr PortLine kLine{115200, 8, 0, 0};

class StartFailureDetails : public ::testing::Test {
  protected:
    static constexpr int kCom = 41;
    testing_support::TempDir dir;
    void TearDown() override { platform::SetComDevice(kCom, ""); }
};

TEST_F(StartFailureDetails, NameTheComNumberAndItsDeviceThenTheSystemsReason) {
    const std::string device = dir.File("ttyUSB9");
    platform::SetComDevice(kCom, device);
    EXPECT_EQ(PortOpenDetails(kCom, SP_NO_DEVICE, "No such file or directory", kLine),
              "COM41 is " + device + ".\nOpening it failed: No such file or directory.");
    EXPECT_EQ(PortOpenDetails(kCom, SP_OPEN_FAILED, "Input/output error", kLine),
              "COM41 is " + device + ".\nOpening it failed: Input/output error.");
    // The step that failed, with the line it was asked for.
    EXPECT_EQ(PortOpenDetails(kCom, SP_SET_STATE_FAILED, "Invalid argument", {250000, 7, 2, 2}),
              "COM41 is " + device +
                  ".\nSetting its line (250000 bit/s, 7 data bits, even parity, 2 stop bits) "
                  "failed: Invalid argument.");
    EXPECT_EQ(PortOpenDetails(kCom, SP_PURGE_FAILED, "", kLine),
              "COM41 is " + device + ".\nSetting it up failed.");
    EXPECT_EQ(
        PortOpenDetails(kCom, SP_WRITER_START_FAILED, "", kLine),
        "COM41 is " + device + ".\nStarting the port's threads and buffers (code 12) failed.");
}

TEST_F(StartFailureDetails, AnAccessFailureSaysWhatToDoAboutIt) {
    // A device this user may open: then another program holds it.
    const std::string device = dir.File("ttyS4");
    testing_support::WriteFile(device, "");
    platform::SetComDevice(kCom, device);
    const std::string details =
        PortOpenDetails(kCom, SP_ACCESS_DENIED, "locked by another program", kLine);
    EXPECT_EQ(details, "COM41 is " + device +
                           ".\nOpening it failed: locked by another program.\nAnother program is "
                           "using it; close that program and try again.");
}

TEST_F(StartFailureDetails, NumbersThatNameNoDevice) {
    EXPECT_EQ(PortOpenDetails(0, SP_NO_DEVICE, "", kLine), "No COM port is chosen.");
    EXPECT_EQ(PortOpenDetails(256, SP_BAD_PORT_NUMBER, "", kLine),
              "COM256 is past the last COM number, COM255.");
#ifndef _WIN32  // Windows names every number's own port
    EXPECT_EQ(PortOpenDetails(kCom, SP_NO_DEVICE, "", kLine), "COM41 names no device.");
#endif
}

TEST(ImageFailureDetails, NameTheFileAndTheSystemsReason) {
    EXPECT_EQ(ImageOpenDetails("/srv/fw/app.bin", "No such file or directory"),
              "The image file is /srv/fw/app.bin.\nOpening it failed: No such file or directory.");
    EXPECT_EQ(ImageOpenDetails("", "no file is named"), "No image file is named.");
}

TEST(LineText, NamesEveryCodeAndSaysSoOfAnUnknownOne) {
    EXPECT_EQ(LineText({9600, 5, 4, 1}), "9600 bit/s, 5 data bits, space parity, 1.5 stop bits");
    EXPECT_EQ(LineText({9600, 8, 9, 7}),
              "9600 bit/s, 8 data bits, unknown parity, unknown stop bits");
}

}  // namespace
