// The whole desktop program, its frame opened on an INI file that maps COM21 to the loader
// simulator, with every message box it shows caught (its text and its details).
#pragma once

#include <QComboBox>
#include <QPushButton>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "app/dialog_host_view.h"
#include "app/main_frame.h"
#include "dialog_fixture.h"
#include "job/job_control.h"
#include "platform/com_ports.h"
#include "sim/simulator.h"

namespace gui_test {

class FrameFixture : public ::testing::Test {
  protected:
    testing_support::TempDir dir;
    std::vector<std::string> boxes;
    std::vector<std::string> details;
    std::unique_ptr<sim::Simulator> loader;
    std::unique_ptr<CMainFrame> frame;

    void SetUp() override {
        previous_ =
            platform::SetMessageBoxHook([this](std::string_view text, std::string_view detail) {
                boxes.emplace_back(text);
                details.emplace_back(detail);
            });
    }
    void TearDown() override {
        frame.reset();
        EndJob();
        loader.reset();
        platform::ClearComDevices();
        platform::SetMessageBoxHook(std::move(previous_));
    }

    // Starts the loader and opens the frame with `image` as the file to transmit; `moreIni`
    // is appended to the INI file.
    void OpenFrame(const sim::LoaderConfig& cfg, const std::string& image,
                   const std::string& moreIni = {}) {
        loader = sim::Simulator::Start(cfg);
        ASSERT_TRUE(loader);
        testing_support::WriteFile(dir.File("kven.INI"),
                                   "[CURRENT]\nPORT=21\nTRANFILE=" + image +
                                       "\n[PORTS]\nCOM21=" + loader->SlavePath() + "\n" + moreIni);
        frame = std::make_unique<CMainFrame>([this] {
            InitSettingsFor(dir.File("kven"));
            platform::LoadComPorts(AppSettings.iniPath);
        });
        frame->show();
    }
    ui::Rs232SetWidget& Dialog() const { return frame->HostView().ProgramDialog(); }
    template <typename T = QWidget>
    T* Control(int id) const {
        return qobject_cast<T*>(Dialog().GetDlgItem(id));
    }

    // Presses Program and serves the job's messages until its result box.
    void ProgramToResult() {
        Control<QComboBox>(1000)->setCurrentIndex(11);  // 57600: the line ignores the speed
        Control<QPushButton>(1)->click();
        ASSERT_TRUE(
            Dialog().Handle()->RunUntil([&] { return !boxes.empty(); }, std::chrono::seconds(60)));
    }

  private:
    platform::MessageBoxHook previous_;
};

}  // namespace gui_test
