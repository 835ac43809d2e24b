// The job's messages through the Qt event loop: sent from a port thread, handled on the GUI
// thread.
#include <QLineEdit>
#include <QProgressBar>
#include <QSignalSpy>
#include <thread>

#include "dialog_fixture.h"

namespace gui_test {
namespace {

TEST_F(DialogTest, StatusSentFromAnotherThreadIsHandledOnTheGuiThread) {
    Create();
    auto* bar = Item<QProgressBar>(1023);
    Status(0, 0, 1000);
    QSignalSpy moved(bar, &QProgressBar::valueChanged);
    LRESULT result = -1;
    std::thread port([&] { result = dlg->Handle()->Send(0x465, 1, 300); });
    ASSERT_TRUE(moved.wait(20000));
    port.join();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(Item<QLineEdit>(1025)->text(), "     300/    1000");
}

TEST_F(DialogTest, FiguresReachTheirControls) {
    Create();
    Status(3, 0x0123, (256 << 16) | 0xE9);
    EXPECT_EQ(Item<QLabel>(1026)->text(), QString::fromUtf8("LD Ver: V0123-\xC3\xA9-256"));
    Status(5, 0xBEEF, 0);
    EXPECT_EQ(Item<QLabel>(1027)->text(), "CheckSum: BEEF");
    Status(2, 0, 0);
    EXPECT_EQ(Item<QLineEdit>(1025)->text(), "Erase /Blank");
}

}  // namespace
}  // namespace gui_test
