// The dialog's core on a fake window, with recorded message boxes, a recorded stand-in for
// StartJob/EndJob, and settings whose INI file lives in a temporary folder.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "fake_window.h"
#include "job/job_control.h"
#include "job/job_messages.h"
#include "platform/message_box.h"
#include "settings/app_settings.h"
#include "support/temp_dir.h"

namespace dialog_test {

using namespace ui;

struct Box {
    std::string text;
    std::string details;
};

class DialogTest : public ::testing::Test {
  protected:
    testing_support::TempDir dir;
    FakeWindow window;
    CRS232SET dlg;

    std::vector<Box> boxes;
    std::vector<int> startModes;
    int ends = 0;
    int startResult = 1;
    // Runs inside a box, while it is open.
    std::function<void(std::string_view text)> onBox;
    std::function<void()> onEnd;

    void SetUp() override {
        previousHook_ =
            platform::SetMessageBoxHook([this](std::string_view text, std::string_view details) {
                boxes.push_back({std::string(text), std::string(details)});
                window.Mark("box");
                if (onBox)
                    onBox(text);
            });
        AppSettings = {};
        AppSettings.iniPath = dir.File("kven.INI");
        AppSettings.port = 1;
        AppSettings.baudRate = 115200;
        AppSettings.byteSize = 8;
        AppSettings.tranFile = "/images/app.bin";
        AppSettings.eepsumShowEnable = 1;
    }

    void TearDown() override { platform::SetMessageBoxHook(std::move(previousHook_)); }

    void Create() {
        dlg.SetJobApi({[this](platform::HWND target, int mode) {
                           EXPECT_EQ(target, window.Handle());
                           startModes.push_back(mode);
                           return startResult;
                       },
                       [this] {
                           ++ends;
                           window.Mark("end");
                           if (onEnd)
                               onEnd();
                       }});
        window.Bind(dlg);
        ASSERT_TRUE(dlg.Create(window));
    }

    LRESULT Status(WORD kind, WORD extra, LPARAM value) {
        return window.Handle()->Send(WM_JOB_STATUS, StatusWParam(kind, extra), value);
    }
    LRESULT Done(LPARAM lParam) { return window.Handle()->Send(WM_JOB_DONE, 0, lParam); }

    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> texts;
        for (const Box& b : boxes)
            texts.push_back(b.text);
        return texts;
    }

  private:
    platform::MessageBoxHook previousHook_;
};

}  // namespace dialog_test
