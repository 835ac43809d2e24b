// The desktop program with an image that has addresses: a whole Program job of an Intel HEX
// file against the loader simulator, what the status bar says of it, a file that cannot be
// read, and the file dialog's filters.
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <chrono>

#include "app/dialog_host_view.h"
#include "app/main_frame.h"
#include "dialog_fixture.h"
#include "job/job_control.h"
#include "job/program_job.h"
#include "platform/com_ports.h"
#include "sim/simulator.h"

namespace gui_test {
namespace {

using namespace std::chrono_literals;

// ":LLAAAATT<data>CC"
std::string Record(std::uint8_t type, std::uint16_t offset, std::vector<std::uint8_t> data) {
    std::vector<std::uint8_t> bytes = {std::uint8_t(data.size()), std::uint8_t(offset >> 8),
                                       std::uint8_t(offset), type};
    bytes.insert(bytes.end(), data.begin(), data.end());
    unsigned sum = 0;
    for (auto b : bytes)
        sum += b;
    bytes.push_back(std::uint8_t(0x100 - (sum & 0xFF)));
    std::string text = ":";
    char pair[3];
    for (auto b : bytes) {
        std::snprintf(pair, sizeof pair, "%02X", b);
        text += pair;
    }
    return text + "\n";
}

struct Box {
    std::string text, details;
    bool operator==(const Box&) const = default;
};

class ImageEndToEnd : public ::testing::Test {
  protected:
    testing_support::TempDir dir;
    std::vector<Box> boxes;
    std::unique_ptr<sim::Simulator> loader;
    std::unique_ptr<CMainFrame> frame;

    void SetUp() override {
        previous_ =
            platform::SetMessageBoxHook([this](std::string_view text, std::string_view details) {
                boxes.push_back({std::string(text), std::string(details)});
            });
    }
    void TearDown() override {
        frame.reset();
        EndJob();
        loader.reset();
        platform::ClearComDevices();
        platform::SetMessageBoxHook(std::move(previous_));
    }

    void Open(const std::string& image, const std::string& imageSection = {}) {
        sim::LoaderConfig cfg;
        cfg.packetSize = 64;
        cfg.eraseScale = 0.002;
        loader = sim::Simulator::Start(cfg);
        ASSERT_TRUE(loader);
        testing_support::WriteFile(dir.File("kven.INI"),
                                   "[CURRENT]\nPORT=21\nTRANFILE=" + image + "\n[PORTS]\nCOM21=" +
                                       loader->SlavePath() + "\n" + imageSection);
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
    QLabel& Pane() const { return *frame->statusBar()->findChild<QLabel*>("idleMessage"); }

    void ProgramToResult() {
        Control<QComboBox>(1000)->setCurrentIndex(11);  // 57600: the line ignores the speed
        Control<QPushButton>(1)->click();
        ASSERT_TRUE(Dialog().Handle()->RunUntil([&] { return !boxes.empty(); }, 60s));
    }

  private:
    platform::MessageBoxHook previous_;
};

TEST_F(ImageEndToEnd, AHexFileIsProgrammedAndItsAddressesShown) {
    // 500 bytes at 0x00020000 and 100 at 0x00020400, in segment addressing; the base one below.
    std::string text = Record(2, 0, {0x20, 0x00});
    std::vector<std::uint8_t> flat(0x401 + 0x400 + 100, 0xFF);
    for (const auto& [at, n] : {std::pair<std::uint16_t, int>{0, 500}, {0x400, 100}}) {
        for (int i = 0; i < n; i += 20) {
            std::vector<std::uint8_t> data;
            for (int k = i; k < std::min(n, i + 20); ++k) {
                flat[0x401 + at + k] = std::uint8_t(k ^ at);
                data.push_back(flat[0x401 + at + k]);
            }
            text += Record(0, std::uint16_t(at + i), data);
        }
    }
    testing_support::WriteFile(dir.File("fw.hex"), text + Record(1, 0, {}));
    Open(dir.File("fw.hex"), "[IMAGE]\nBASE=0x1FBFF\n");
    EXPECT_EQ(Pane().text(), "Ready");
    ProgramToResult();
    EXPECT_EQ(boxes, (std::vector<Box>{{"Writing is OK", ""}}));
    const auto session = loader->WaitForSession(20s);
    ASSERT_TRUE(session);
    EXPECT_TRUE(session->Completed());
    std::vector<std::uint8_t> expected = flat;
    expected.resize(sim::kFlashSize, 0xFF);
    EXPECT_TRUE(*session->flash == expected);
    EXPECT_EQ(Pane().text(), "HEX 0x00020000..0x00020463, base 0x0001FBFF");
    EXPECT_EQ(Pane().toolTip(),
              "Intel HEX, data 0x00020000..0x00020463, base 0x0001FBFF, 2149 bytes, 1549 filled "
              "with 0xFF");
}

TEST_F(ImageEndToEnd, ABadFileShowsWhereInTheBoxDetails) {
    testing_support::WriteFile(dir.File("fw.s19"), "S1040010AA41\n");
    Open(dir.File("fw.s19"));
    ProgramToResult();
    EXPECT_EQ(boxes, (std::vector<Box>{{" Read File to Buffer fail",
                                        dir.File("fw.s19") +
                                            ": the file ends after line 1 without an end record "
                                            "(S7, S8 or S9) or a count (S5, S6) after its last "
                                            "data"}}));
    EXPECT_EQ(Pane().text(), "Ready");
    EXPECT_TRUE(Control(1)->isEnabled());
    EXPECT_EQ(ProgramJob.serialPort, nullptr);
}

}  // namespace
}  // namespace gui_test
