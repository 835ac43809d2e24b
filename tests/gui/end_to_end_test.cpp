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
    std::unique_ptr<sim::Simulator> loader;
    std::unique_ptr<CMainFrame> frame;

    void SetUp() override {
        previous_ = platform::SetMessageBoxHook(
            [this](std::string_view text, std::string_view) { boxes.emplace_back(text); });
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
    CRS232SET& Dialog() const { return frame->HostView().ProgramDialog(); }

    // Presses Program and serves the job's messages until its result box.
    void ProgramToResult() {
        Dialog().m_cmbBaudRate->setCurrentIndex(11);  // 57600: the line ignores the speed
        Dialog().m_btnProgram->click();
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
    EXPECT_EQ(Dialog().m_cmbPort->currentText(), "COM21");
    ProgramToResult();
    EXPECT_EQ(boxes, std::vector<std::string>{"Writing is OK"});
    EXPECT_EQ(ImageOf(*Dialog().m_stcResult), Lamp(res::IDI_RESULT_OK));
    EXPECT_TRUE(Dialog().m_btnProgram->isEnabled());
    EXPECT_EQ(Dialog().m_strLdVer, "LD Ver: V0123-A-16");
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
    EXPECT_EQ(ImageOf(*Dialog().m_stcResult), Lamp(res::IDI_RESULT_FAIL));
    EXPECT_TRUE(Dialog().m_cmbPort->isEnabled());
    EXPECT_EQ(ProgramJob.serialPort, nullptr);
}

TEST_F(EndToEnd, ClosingTheWindowMidJobReleasesThePort) {
    sim::LoaderConfig cfg;
    cfg.eraseScale = 0.3;  // seconds of erase
    cfg.idleTimeout = std::chrono::milliseconds(500);
    Open(cfg);
    Dialog().m_btnProgram->click();
    ASSERT_TRUE(
        Dialog().Handle()->RunUntil([&] { return Dialog().m_strStatus == "Erase /Blank"; }, 60s));
    ASSERT_NE(ProgramJob.serialPort, nullptr);
    frame->close();
    EXPECT_EQ(ProgramJob.serialPort, nullptr);
    EXPECT_EQ(ProgramJob.active, 0);
    EXPECT_TRUE(boxes.empty());
    // The loader sees its host go away.
    const auto session = loader->WaitForSession(30s);
    ASSERT_TRUE(session);
    EXPECT_NE(session->ending, sim::Ending::Complete);
}

}  // namespace
}  // namespace gui_test
