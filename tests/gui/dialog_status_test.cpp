// What the dialog shows for the job's status messages.
#include <QLineEdit>
#include <QProgressBar>
#include <QSignalSpy>
#include <thread>

#include "dialog_fixture.h"

namespace gui_test {
namespace {

struct StatusCase {
    const char* name;
    WORD kind;
    WORD extra;
    LPARAM value;
    int control;
    const char* text;
};

class DialogStatus : public DialogTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(DialogStatus, ShowsItsText) {
    Create();
    const StatusCase& c = GetParam();
    EXPECT_EQ(Status(c.kind, c.extra, c.value), 0);
    const QWidget* w = dlg->GetDlgItem(c.control);
    const QString shown = qobject_cast<const QLabel*>(w)
                              ? qobject_cast<const QLabel*>(w)->text()
                              : qobject_cast<const QLineEdit*>(w)->text();
    EXPECT_EQ(shown, c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DialogStatus,
    ::testing::Values(
        StatusCase{"eraseBegunHighHalfIgnored", 2, 1, 0, 1025, "Erase /Blank"},
        StatusCase{"loaderVersion", 3, 0x0123, (256 << 16) | 0x41, 1026, "LD Ver: V0123-A-256"},
        StatusCase{"loaderVersionWide", 3, 0xBEEF, (255 << 16) | 'e', 1026, "LD Ver: VBEEF-e-255"},
        StatusCase{"waitLink", 4, 0, 0, 1025, "Wait Link"},
        StatusCase{"checksumPadded", 5, 0x12, 0, 1027, "CheckSum: 0012"},
        StatusCase{"checksum", 5, 0xBEEF, 0, 1027, "CheckSum: BEEF"},
        StatusCase{"burnChecksum", 8, 0, 0, 1025, "Burn CheckSum"},
        StatusCase{"kind11Ignored", 11, 0, 0, 1025, ""},
        StatusCase{"kind65535Ignored", 0xFFFF, 7, 5, 1026, "LD Ver:"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(DialogTest, WritePositionShowsPositionOfTotal) {
    Create();
    auto* bar = Item<QProgressBar>(1023);
    Status(0, 0, 4096);
    EXPECT_EQ(bar->maximum(), 4096);
    EXPECT_EQ(Item<QLineEdit>(1025)->text(), "");  // kind 0 refreshes nothing
    Status(1, 0, 512);
    EXPECT_EQ(bar->value(), 512);
    EXPECT_EQ(Item<QLineEdit>(1025)->text(), "     512/    4096");
    // A second job's position before its total shows the previous total.
    Status(1, 0, 8);
    EXPECT_EQ(Item<QLineEdit>(1025)->text(), "       8/    4096");
}

TEST_F(DialogTest, EraseAndChecksumPhasesMoveOnlyTheBar) {
    Create();
    auto* bar = Item<QProgressBar>(1023);
    Status(2, 0, 0);
    for (WORD rangeKind : std::initializer_list<WORD>{6, 9}) {
        Status(rangeKind, 0, 160);
        EXPECT_EQ(bar->maximum(), 160);
        Status(static_cast<WORD>(rangeKind + 1), 0, 40);
        EXPECT_EQ(bar->value(), 40);
        EXPECT_EQ(Item<QLineEdit>(1025)->text(), "Erase /Blank");
    }
    // A position past the range fills the bar rather than being dropped.
    Status(7, 0, 500);
    EXPECT_EQ(bar->value(), 160);
}

TEST_F(DialogTest, OnlyRefreshingKindsOverwriteTypedPath) {
    Create();
    auto* path = Item<QLineEdit>(1020);
    path->setText("/typed/meanwhile.bin");
    for (WORD kind : std::initializer_list<WORD>{0, 6, 9, 11}) {
        Status(kind, 0, 100);
        EXPECT_EQ(path->text(), "/typed/meanwhile.bin") << kind;
    }
    Status(4, 0, 0);
    EXPECT_EQ(path->text(), "/images/app.bin");
}

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

}  // namespace
}  // namespace gui_test
