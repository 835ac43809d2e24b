// The desktop program with an image that has addresses: a whole Program job of an Intel HEX
// file against the loader simulator, what the status bar says of it, and a file that cannot
// be read.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <chrono>

#include "frame_fixture.h"
#include "job/program_job.h"
#include "support/image_records.h"

namespace gui_test {
namespace {

using namespace std::chrono_literals;

// A record and its line end.
std::string Record(std::uint8_t type, std::uint16_t offset, std::vector<std::uint8_t> data) {
    return testing_support::HexRecord(type, offset, data) + "\n";
}

class ImageEndToEnd : public FrameFixture {
  protected:
    void Open(const std::string& image, const std::string& imageSection = {}) {
        sim::LoaderConfig cfg;
        cfg.packetSize = 64;
        cfg.eraseScale = 0.002;
        OpenFrame(cfg, image, imageSection);
    }
    QLabel& Pane() const { return *frame->statusBar()->findChild<QLabel*>("idleMessage"); }
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
    EXPECT_EQ(boxes, std::vector<std::string>{"Writing is OK"});
    EXPECT_EQ(details, std::vector<std::string>{""});
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
    EXPECT_EQ(boxes, std::vector<std::string>{" Read File to Buffer fail"});
    EXPECT_EQ(details, std::vector<std::string>{
                           dir.File("fw.s19") +
                           ": the file ends after line 1 without an end record (S7, S8 or S9) "
                           "or a count (S5, S6) after its last data"});
    EXPECT_EQ(Pane().text(), "Ready");
    EXPECT_TRUE(Control(1)->isEnabled());
    EXPECT_EQ(ProgramJob.serialPort, nullptr);
}

}  // namespace
}  // namespace gui_test
