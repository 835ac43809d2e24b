// The programming dialog's Qt view in a plain host widget, with recorded message boxes and a
// recorded stand-in for StartJob/EndJob, and settings whose INI file lives in a temporary
// folder.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "platform/message_box.h"
#include "res/icons.h"
#include "settings/app_settings.h"
#include "support/temp_dir.h"
#include "ui/core/rs232set_template.h"
#include "ui/qt/rs232set_widget.h"

namespace gui_test {

inline QImage Lamp(int id) {
    return res::LoadIconResource(id).pixmap(res::kLampSize).toImage();
}
inline QImage ImageOf(const QLabel& label) {
    return label.pixmap().toImage();
}

// Runs `handle` on the next message box once it is open, from inside its own modal loop.
inline void OnNextBox(std::function<void(QMessageBox&)> handle) {
    QTimer::singleShot(0, [handle = std::move(handle)] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        handle(*box);
    });
}

inline void DefaultSettings(const testing_support::TempDir& dir) {
    AppSettings = {};
    AppSettings.iniPath = dir.File("kven.INI");
    AppSettings.port = 1;
    AppSettings.baudRate = 115200;
    AppSettings.byteSize = 8;
    AppSettings.tranFile = "/images/app.bin";
    AppSettings.eepsumShowEnable = 1;
}

class DialogTest : public ::testing::Test {
  protected:
    testing_support::TempDir dir;
    QWidget host;
    ui::Rs232SetWidget* dlg = nullptr;  // owned by host

    std::vector<std::string> boxes;
    std::vector<int> startModes;
    int ends = 0;
    int startResult = 1;
    std::function<void(std::string_view)> onBox;
    std::function<void()> onEnd;

    void SetUp() override {
        previousHook_ =
            platform::SetMessageBoxHook([this](std::string_view text, std::string_view) {
                boxes.emplace_back(text);
                if (onBox)
                    onBox(text);
            });
        DefaultSettings(dir);
        host.resize(800, 400);
    }

    void TearDown() override { platform::SetMessageBoxHook(std::move(previousHook_)); }

    void Create() {
        dlg = new ui::Rs232SetWidget;
        dlg->Dialog().SetJobApi({[this](platform::HWND target, int mode) {
                                     EXPECT_EQ(target, dlg->Handle());
                                     startModes.push_back(mode);
                                     return startResult;
                                 },
                                 [this] {
                                     ++ends;
                                     if (onEnd)
                                         onEnd();
                                 }});
        ASSERT_TRUE(dlg->Create(&host));
        dlg->show();
        host.show();
    }

    template <typename T = QWidget>
    T* Item(int id) const {
        auto* w = qobject_cast<T*>(dlg->GetDlgItem(id));
        EXPECT_NE(w, nullptr) << "control " << id;
        return w;
    }

    LRESULT Status(WORD kind, WORD extra, LPARAM value) {
        return dlg->Handle()->Send(0x465, (WPARAM{extra} << 16) | kind, value);
    }
    LRESULT Done(LPARAM lParam) { return dlg->Handle()->Send(0x464, 0, lParam); }

  private:
    platform::MessageBoxHook previousHook_;
};

}  // namespace gui_test
