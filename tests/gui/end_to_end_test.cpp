// Whole jobs from the Program button to the lamp, against the loader simulator on a
// pseudo-terminal, with the settings and the COM table loaded the way the program loads them.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <chrono>

#include "app/dialog_host_view.h"
#include "app/main_frame.h"
#include "dialog_fixture.h"
#include "job/job_control.h"
#include "job/program_job.h"
#include "platform/com_ports.h"
#include "platform/profile.h"
#include "sim/simulator.h"

namespace gui_test {
namespace {

using namespace std::chrono_literals;

class EndToEnd : public ::testing::Test {
  protected:
    static constexpr int kCom = 21;
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

    // Starts the loader and opens the frame on an INI file that maps COM21 to it.
    void Open(sim::LoaderConfig cfg) {
        loader = sim::Simulator::Start(cfg);
        ASSERT_TRUE(loader);
        std::vector<std::uint8_t> image(16 * 10 + 3);
        for (std::size_t i = 0; i < image.size(); ++i)
            image[i] = static_cast<std::uint8_t>(i * 7);
        testing_support::WriteBytes(dir.File("image.bin"), image);
        testing_support::WriteFile(dir.File("kven.INI"),
                                   "[CURRENT]\nPORT=21\nTRANFILE=" + dir.File("image.bin") +
                                       "\n[PORTS]\nCOM21=" + loader->SlavePath() + "\n");
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
        ASSERT_TRUE(Dialog().Handle()->RunUntil([&] { return !boxes.empty(); }, 60s));
    }

  private:
    platform::MessageBoxHook previous_;
};

TEST_F(EndToEnd, ProgramEndsWithWritingIsOkAndTheGreenLamp) {
    sim::LoaderConfig cfg;
    cfg.packetSize = 16;
    cfg.eraseScale = 0.002;
    Open(cfg);
    EXPECT_EQ(Control<QComboBox>(1001)->currentText(), "COM21");
    ProgramToResult();
    EXPECT_EQ(boxes, std::vector<std::string>{"Writing is OK"});
    EXPECT_EQ(ImageOf(*Control<QLabel>(1029)), Lamp(res::IDI_RESULT_OK));
    EXPECT_TRUE(Control(1)->isEnabled());
    EXPECT_EQ(Control<QLabel>(1026)->text(), "LD Ver: V0123-A-16");
    EXPECT_EQ(ProgramJob.serialPort, nullptr);  // released by the result
    const auto session = loader->WaitForSession(20s);
    ASSERT_TRUE(session);
    EXPECT_EQ(session->ending, sim::Ending::Complete);

    const auto ini = platform::IniFile::Load(dir.File("kven.INI"));
    EXPECT_EQ(ini.Get("CURRENT", "PORT"), "21");
    EXPECT_EQ(ini.Get("CURRENT", "BAUDRATE"), "57600");
    EXPECT_EQ(ini.Get("CURRENT", "BYTESIZE"), "8");
    EXPECT_EQ(ini.Get("CURRENT", "TRANFILE"), dir.File("image.bin"));
    EXPECT_EQ(ini.Get("PORTS", "COM21"), loader->SlavePath());
}

TEST_F(EndToEnd, FaultShowsItsTextAndTheRedLamp) {
    sim::LoaderConfig cfg;
    cfg.packetSize = 16;
    cfg.eraseScale = 0.002;
    cfg.faults.push_back(*sim::ParseFault("bad:ack:3"));
    Open(cfg);
    ProgramToResult();
    EXPECT_EQ(boxes, std::vector<std::string>{"Write sync failed"});
    EXPECT_EQ(ImageOf(*Control<QLabel>(1029)), Lamp(res::IDI_RESULT_FAIL));
    EXPECT_TRUE(Control(1001)->isEnabled());
    EXPECT_EQ(ProgramJob.serialPort, nullptr);
}

// The operator closes the window mid-erase and answers Yes: the port is released before the
// window goes, and nothing of the ended job shows.
TEST_F(EndToEnd, ClosingTheWindowMidJobAsksThenReleasesThePort) {
    sim::LoaderConfig cfg;
    cfg.eraseScale = 0.3;  // seconds of erase
    cfg.idleTimeout = std::chrono::milliseconds(500);
    Open(cfg);
    Control<QPushButton>(1)->click();
    ASSERT_TRUE(Dialog().Handle()->RunUntil(
        [&] { return Dialog().Dialog().m_strStatus == "Erase /Blank"; }, 60s));
    ASSERT_NE(ProgramJob.serialPort, nullptr);
    bool asked = false;
    OnNextBox([&](QMessageBox& box) {
        asked = true;
        // The job still holds its port while the question is open.
        EXPECT_NE(ProgramJob.serialPort, nullptr);
        box.button(QMessageBox::Yes)->click();
    });
    EXPECT_TRUE(frame->close());
    EXPECT_TRUE(asked);
    EXPECT_EQ(ProgramJob.serialPort, nullptr);
    EXPECT_EQ(ProgramJob.active, 0);
    EXPECT_TRUE(boxes.empty());
    // The loader sees its host go away.
    const auto session = loader->WaitForSession(30s);
    ASSERT_TRUE(session);
    EXPECT_NE(session->ending, sim::Ending::Complete);
}

// A failure box names what was looked for and the system's reason.
TEST_F(EndToEnd, AMissingDeviceAndAMissingFileSayWhatWasLookedFor) {
    sim::LoaderConfig cfg;
    Open(cfg);
    platform::SetComDevice(22, dir.File("no-such-tty"));
    Control<QComboBox>(1001)->setCurrentIndex(21);  // COM22
    Control<QPushButton>(1)->click();
    ASSERT_TRUE(Dialog().Handle()->RunUntil([&] { return Control(1)->isEnabled(); }, 60s));
    ASSERT_EQ(boxes, std::vector<std::string>{"COM port can not be found"});
    EXPECT_EQ(details.front(), "COM22 is " + dir.File("no-such-tty") +
                                   ".\nOpening it failed: No such file or directory.");

    Control<QComboBox>(1001)->setCurrentIndex(20);  // COM21, the loader
    Control<QLineEdit>(1020)->setText(QString::fromStdString(dir.File("gone.bin")));
    Control<QPushButton>(1)->click();
    ASSERT_TRUE(Dialog().Handle()->RunUntil(
        [&] { return boxes.size() == 2 && Control(1)->isEnabled(); }, 60s));
    EXPECT_EQ(boxes.back(), "Couldn't open the transmitted file !");
    EXPECT_EQ(details.back(), "The image file is " + dir.File("gone.bin") +
                                  ".\nOpening it failed: No such file or directory.");
}

}  // namespace
}  // namespace gui_test
