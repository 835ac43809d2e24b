// The Qt view's part of the commands: what the core decides reaches the widgets, and the
// keyboard, the mouse and the OK command reach the core.
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "dialog_fixture.h"

namespace gui_test {
namespace {

TEST_F(DialogTest, WidgetsFollowTheStatesTheCoreSets) {
    Create();
    dlg->OnCommand(1);
    for (int id : {1, 1021, 1001, 1000, 1003, 1004, 1019, 1030, 1031})
        EXPECT_FALSE(dlg->GetDlgItem(id)->isEnabled()) << id;
    EXPECT_TRUE(Item<QLineEdit>(1020)->isReadOnly());
    EXPECT_TRUE(Item<QLineEdit>(1020)->isEnabled());
    EXPECT_FALSE(Item(1023)->isHidden());
    EXPECT_TRUE(Item(1028)->isHidden());
    EXPECT_TRUE(Item(1029)->isHidden());
    Done(0x1);
    for (int id : {1, 1021, 1001, 1000, 1003, 1004, 1019, 1030, 1031})
        EXPECT_TRUE(dlg->GetDlgItem(id)->isEnabled()) << id;
    EXPECT_FALSE(Item<QLineEdit>(1020)->isReadOnly());
    EXPECT_TRUE(Item(1023)->isHidden());
    EXPECT_FALSE(Item(1029)->isHidden());
}

TEST_F(DialogTest, SelectionsAndTypingReachTheCoreAtAStart) {
    Create();
    Item<QComboBox>(1001)->setCurrentIndex(4);  // COM5
    Item<QComboBox>(1003)->setCurrentIndex(1);  // Even
    QTest::keyClicks(Item<QLineEdit>(1020), "/x");
    QTest::mouseClick(Item<QPushButton>(1030), Qt::LeftButton);
    EXPECT_EQ(startModes, std::vector<int>{2});
    EXPECT_EQ(AppSettings.port, 5);
    EXPECT_EQ(AppSettings.parity, 2);
    EXPECT_EQ(AppSettings.tranFile, "/images/app.bin/x");
}

TEST_F(DialogTest, EveryRouteOfTheOkCommandStartsAProgramJob) {
    Create();
    const std::function<void()> routes[] = {
        [&] { dlg->OnCommand(1); },
        [&] { dlg->accept(); },
        [&] { Item<QPushButton>(1)->click(); },
        [&] { QTest::keyClick(Item<QComboBox>(1000), Qt::Key_Return); },
        [&] { QTest::keyClick(dlg, Qt::Key_Enter); },
    };
    int route = 0;
    for (const auto& fire : routes) {
        SCOPED_TRACE(route++);
        Done(0);  // idle again, with the Program button enabled
        Item<QPushButton>(1021)->setAutoDefault(false);
        startModes.clear();
        fire();
        EXPECT_EQ(startModes, std::vector<int>{1});
    }
}

TEST_F(DialogTest, EscapeDoesNothing) {
    Create();
    QTest::keyClick(dlg, Qt::Key_Escape);
    QTest::keyClick(Item<QComboBox>(1001), Qt::Key_Escape);
    EXPECT_FALSE(dlg->isHidden());
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_TRUE(startModes.empty());
}

// The Win32 bar clamps a position and shows an empty range as empty; Qt's would ignore the
// position and animate.
TEST_F(DialogTest, ProgressBarBehavesAsTheWin32Bar) {
    Create();
    auto* bar = Item<QProgressBar>(1023);
    Status(6, 0, 160);
    Status(7, 0, 500);
    EXPECT_EQ(bar->value(), 160);
    Status(0, 0, 0);
    EXPECT_LT(bar->minimum(), bar->maximum());
    Status(1, 0, 0);
    EXPECT_EQ(bar->value(), 0);
}

}  // namespace
}  // namespace gui_test
