// The choice of image: LOAD's file dialog and what it is asked, a dropped file, and the tool
// tips that say what the buttons do and show the whole path.
#include <filesystem>

#include "dialog_fixture.h"
#include "platform/com_ports.h"
#include "ui/core/image_choice.h"

namespace dialog_test {
namespace {

TEST_F(DialogTest, LoadAsksForABinImageFromTheCurrentPath) {
    Create();
    dlg.OnCommand(IDC_LOAD);
    ASSERT_EQ(window.fileRequests.size(), 1u);
    const OpenFileRequest& asked = window.fileRequests.front();
    ASSERT_GE(asked.filters.size(), 2u);
    // The .bin images first, every file last.
    EXPECT_STREQ(asked.filters.front().name, "BIN ROM");
    EXPECT_STREQ(asked.filters.front().patterns, "*.bin");
    EXPECT_STREQ(asked.filters.back().name, "All Files");
    EXPECT_STREQ(asked.filters.back().patterns, "*.*");
    EXPECT_STREQ(asked.defaultExtension, "bin");
    EXPECT_STREQ(asked.initialName, "*.bin");
    EXPECT_EQ(asked.currentPath, "/images/app.bin");
}

TEST_F(DialogTest, LoadPutsTheChosenPathInTheBoxOnly) {
    Create();
    window.chooseFile = [](const OpenFileRequest&) { return std::string("/chosen/rom.bin"); };
    dlg.OnCommand(IDC_LOAD);
    EXPECT_EQ(window[IDC_FILE].text, "/chosen/rom.bin");
    EXPECT_EQ(window[IDC_FILE].toolTip, "/chosen/rom.bin");
    // The settings take it at the next start.
    EXPECT_EQ(AppSettings.tranFile, "/images/app.bin");
    dlg.OnCommand(IDC_PROGRAM);
    EXPECT_EQ(AppSettings.tranFile, "/chosen/rom.bin");
}

TEST_F(DialogTest, CancellingTheFileDialogChangesNothing) {
    Create();
    window.Type(dlg, IDC_FILE, "/typed/not-yet-exchanged.bin");
    dlg.OnCommand(IDC_LOAD);
    EXPECT_EQ(window.fileRequests.size(), 1u);
    EXPECT_EQ(window[IDC_FILE].text, "/typed/not-yet-exchanged.bin");
    EXPECT_EQ(dlg.m_strFile, "/images/app.bin");
    EXPECT_TRUE(startModes.empty());
}

class DialogDrop : public DialogTest {
  protected:
    std::string image = dir.File("dropped.bin");
    std::string other = dir.File("other.bin");

    void SetUp() override {
        DialogTest::SetUp();
        testing_support::WriteFile(image, "image");
        testing_support::WriteFile(other, "other");
    }
    bool Drop(std::vector<std::string> paths) {
        const bool proposed = dlg.CanDropFiles(paths);
        const bool taken = dlg.OnDropFiles(paths);
        EXPECT_EQ(proposed, taken);
        return taken;
    }
};

TEST_F(DialogDrop, OneImageFileSetsThePathAsLoadDoes) {
    Create();
    window.SetFocus(IDC_BAUDRATE);
    EXPECT_TRUE(Drop({image}));
    EXPECT_EQ(window[IDC_FILE].text, image);
    EXPECT_EQ(window[IDC_FILE].toolTip, image);
    EXPECT_EQ(dlg.m_strFile, image);
    EXPECT_EQ(window.Focus(), IDC_PROGRAM);
    EXPECT_EQ(AppSettings.tranFile, "/images/app.bin");
    dlg.OnCommand(IDC_PROGRAM);
    EXPECT_EQ(AppSettings.tranFile, image);
}

TEST_F(DialogDrop, WhatTheFileDialogCouldNotChooseIsRefused) {
    Create();
    std::filesystem::create_directory(dir.File("folder"));
    for (const std::vector<std::string>& paths :
         {std::vector<std::string>{}, std::vector<std::string>{image, other},
          std::vector<std::string>{dir.File("folder")},
          std::vector<std::string>{dir.File("missing.bin")}, std::vector<std::string>{""}}) {
        EXPECT_FALSE(Drop(paths)) << paths.size();
    }
    EXPECT_EQ(window[IDC_FILE].text, "/images/app.bin");
}

TEST_F(DialogDrop, RefusedWhileAJobRunsOrItsResultIsShown) {
    Create();
    dlg.OnCommand(IDC_PROGRAM);
    EXPECT_FALSE(Drop({image}));
    onBox = [&](std::string_view) { EXPECT_FALSE(Drop({image})); };
    Done(JobDoneLParam(kResultOk));
    EXPECT_EQ(dlg.m_strFile, "/images/app.bin");
    EXPECT_EQ(window[IDC_FILE].text, "/images/app.bin");
    // Idle again: taken.
    EXPECT_TRUE(Drop({image}));
}

TEST(ImageChoice, DroppedImageIsOneRegularFile) {
    testing_support::TempDir dir;
    const std::string file = dir.File("a.hex");
    testing_support::WriteFile(file, ":00000001FF\n");
    EXPECT_EQ(ui::DroppedImage(std::vector<std::string>{file}), file);
    EXPECT_FALSE(ui::DroppedImage(std::vector<std::string>{dir.path().string()}));
    EXPECT_FALSE(ui::DroppedImage(std::vector<std::string>{file, file}));
}

TEST_F(DialogTest, ButtonsSayWhatTheyDoAndThePathShowsWhole) {
    Create();
    for (int id : {IDC_PROGRAM, IDC_EEPSUM, IDC_LOAD})
        EXPECT_FALSE(window[id].toolTip.empty()) << id;
    EXPECT_NE(window[IDC_PROGRAM].toolTip, window[IDC_EEPSUM].toolTip);
    EXPECT_EQ(window[IDC_FILE].toolTip, "/images/app.bin");
    // Typed: the tip follows the box, before anything is exchanged.
    const std::string longPath =
        "/srv/firmware/releases/2026/line-7/board-rev-c/" + std::string(120, 'x') + "/image.bin";
    window.Type(dlg, IDC_FILE, longPath);
    EXPECT_EQ(window[IDC_FILE].toolTip, longPath);
    window.Type(dlg, IDC_FILE, "");
    EXPECT_EQ(window[IDC_FILE].toolTip, "");
}

TEST_F(DialogTest, EachComNumberShowsItsDevice) {
    platform::SetComDevice(7, "/dev/serial/by-id/usb-FTDI_A123-if00");
    AppSettings.port = 7;
    Create();
    platform::SetComDevice(7, "");
    EXPECT_EQ(window[IDC_PORT].itemTips[6], "/dev/serial/by-id/usb-FTDI_A123-if00");
    // The closed list shows the chosen number's device.
    EXPECT_EQ(window[IDC_PORT].toolTip, "/dev/serial/by-id/usb-FTDI_A123-if00");
#ifndef _WIN32  // Windows names every number's own port
    EXPECT_EQ(window[IDC_PORT].itemTips[7], "No device");
    window.Select(dlg, IDC_PORT, 7);
    EXPECT_EQ(window[IDC_PORT].toolTip, "No device");
#endif
    window.Select(dlg, IDC_PORT, -1);
    EXPECT_EQ(window[IDC_PORT].toolTip, "");
}

}  // namespace
}  // namespace dialog_test
