// The CAP, NUM and SCRL panes, with the platform's answer replaced: they show the lock states
// from the start, ask again after a lock key and on activation, and count presses only where
// the platform cannot tell.
#include <QApplication>
#include <QLabel>
#include <QStatusBar>
#include <QTest>
#include <optional>

#include "app/lock_indicators.h"
#include "dialog_fixture.h"

namespace gui_test {
namespace {

class LockPanes : public ::testing::Test {
  protected:
    QStatusBar bar;
    QLabel focus;  // where key events go
    std::optional<LockStates> platform;
    int asked = 0;

    std::unique_ptr<LockIndicators> Make() {
        auto locks = std::make_unique<LockIndicators>(bar, [this] {
            ++asked;
            return platform;
        });
        focus.setFocusPolicy(Qt::StrongFocus);
        focus.show();
        QApplication::setActiveWindow(&focus);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&focus));
        focus.setFocus();
        return locks;
    }
    void ExpectShown(const LockIndicators& locks, LockStates states) const {
        const char* names[] = {"CAP", "NUM", "SCRL"};
        for (int i = 0; i < 3; ++i) {
            const auto on = states[static_cast<std::size_t>(i)];
            EXPECT_EQ(locks.IsOn(i), on) << names[i];
            EXPECT_EQ(bar.findChild<QLabel*>(names[i])->isEnabled(), on) << names[i];
        }
    }
};

TEST_F(LockPanes, ShowThePlatformsStatesFromTheStart) {
    platform = LockStates{true, false, true};
    auto locks = Make();
    ExpectShown(*locks, {true, false, true});
}

TEST_F(LockPanes, AskAgainWhenALockKeyGoesDownOrUp) {
    platform = LockStates{false, false, false};
    auto locks = Make();
    platform = LockStates{true, true, false};
    const int before = asked;
    QTest::keyPress(&focus, Qt::Key_CapsLock);
    ExpectShown(*locks, {true, true, false});
    // Caps Lock goes off only as its key comes up again.
    QTest::keyRelease(&focus, Qt::Key_CapsLock);
    platform = LockStates{false, true, false};
    QTest::keyClick(&focus, Qt::Key_CapsLock);
    ExpectShown(*locks, {false, true, false});
    // Other keys do not ask.
    const int afterLocks = asked;
    QTest::keyClick(&focus, Qt::Key_A);
    EXPECT_EQ(asked, afterLocks);
    EXPECT_GT(afterLocks, before);
}

TEST_F(LockPanes, AskAgainWhenTheProgramBecomesActive) {
    platform = LockStates{false, false, false};
    auto locks = Make();
    // Pressed in another program meanwhile.
    platform = LockStates{false, false, true};
    QApplicationStateChangeEvent active(Qt::ApplicationActive);
    QCoreApplication::sendEvent(qApp, &active);
    ExpectShown(*locks, {false, false, true});
}

TEST_F(LockPanes, CountPressesWhereThePlatformCannotTell) {
    auto locks = Make();
    ExpectShown(*locks, {false, false, false});
    QTest::keyClick(&focus, Qt::Key_ScrollLock);
    QTest::keyClick(&focus, Qt::Key_NumLock);
    ExpectShown(*locks, {false, true, true});
    QTest::keyClick(&focus, Qt::Key_ScrollLock);
    ExpectShown(*locks, {false, true, false});
}

}  // namespace
}  // namespace gui_test
