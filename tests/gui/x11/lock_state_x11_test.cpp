// The lock states from a real X server's keyboard indicators (ctest runs this under xvfb-run,
// label "x11"): the panes show them from the start, and a lock key makes them ask again.
#include <gtest/gtest.h>

#include <QtGui/qguiapplication_platform.h>
#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QStatusBar>
#include <QTest>

#include "app/lock_indicators.h"
#include "app/lock_state.h"

// clang-format off
#include <X11/Xlib.h>
#include <X11/XKBlib.h>
// clang-format on

namespace {

class LockStateX11 : public ::testing::Test {
  protected:
    Display* display = nullptr;

    void SetUp() override {
        auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        display = x11 ? x11->display() : nullptr;
        ASSERT_NE(display, nullptr) << "needs the xcb platform and an X server";
    }
    void TearDown() override { Set({false, false, false}); }

    // What the keys would do: Caps and Num Lock lock their modifiers; Scroll Lock, which
    // locks no modifier in the usual keymaps, sets its indicator.
    void Set(LockStates s) {
        const unsigned mods = LockMask | Mod2Mask;
        XkbLockModifiers(display, XkbUseCoreKbd, mods,
                         (s[0] ? LockMask : 0u) | (s[1] ? Mod2Mask : 0u));
        XkbSetNamedIndicator(display, XInternAtom(display, "Scroll Lock", False), True,
                             s[2] ? True : False, False, nullptr);
        XSync(display, False);
    }
};

TEST_F(LockStateX11, QueryReadsTheKeyboardsIndicators) {
    for (const LockStates s : {LockStates{true, false, false}, LockStates{false, true, true},
                               LockStates{false, false, false}, LockStates{true, true, true}}) {
        Set(s);
        EXPECT_EQ(QueryLockStates(), std::optional<LockStates>(s));
    }
}

TEST_F(LockStateX11, PanesShowTheStatesFromTheStartAndAfterALockKey) {
    Set({true, true, false});
    QStatusBar bar;
    LockIndicators locks(bar);
    EXPECT_TRUE(locks.IsOn(0));
    EXPECT_TRUE(locks.IsOn(1));
    EXPECT_FALSE(locks.IsOn(2));
    EXPECT_TRUE(bar.findChild<QLabel*>("CAP")->isEnabled());

    QLabel focus;
    focus.setFocusPolicy(Qt::StrongFocus);
    focus.show();
    focus.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&focus));
    focus.setFocus();
    Set({false, true, true});
    QTest::keyClick(&focus, Qt::Key_ScrollLock);
    EXPECT_FALSE(locks.IsOn(0));
    EXPECT_TRUE(locks.IsOn(1));
    EXPECT_TRUE(locks.IsOn(2));
}

}  // namespace
