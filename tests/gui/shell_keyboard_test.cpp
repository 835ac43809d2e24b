// The desktop program from the keyboard: Alt and F10 reach the menu and its About item; Enter
// starts a job at the start and after each result box; during a job the focus rests on the
// path box, which neither selects nor changes its text.
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "app/dialog_host_view.h"
#include "app/main_frame.h"
#include "app/message_box_qt.h"
#include "dialog_fixture.h"

namespace gui_test {
namespace {

class ShellKeyboard : public ::testing::Test {
  protected:
    testing_support::TempDir dir;
    std::unique_ptr<CMainFrame> frame;
    std::vector<int> starts;

    void SetUp() override {
        frame = std::make_unique<CMainFrame>([this] { InitSettingsFor(dir.File("kven")); });
        Dialog().Dialog().SetJobApi({[this](platform::HWND, int mode) {
                                         starts.push_back(mode);
                                         return 1;
                                     },
                                     [] {}});
        frame->show();
        Activate();
    }
    // What the window manager does when the frame's window comes to the front.
    void Activate() {
        QApplication::setActiveWindow(frame.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    }
    ui::Rs232SetWidget& Dialog() const { return frame->HostView().ProgramDialog(); }
    QWidget* Control(int id) const { return Dialog().GetDlgItem(id); }
    QMenu* Menu() const { return frame->menuBar()->actions().front()->menu(); }

    // Presses `key` on whatever has the keyboard focus.
    static void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, key, modifiers);
    }
};

// The pixels of `a` and `b` that differ clearly (by a quarter of the range in some channel).
int ClearlyDifferent(const QImage& a, const QImage& b) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            const int d = std::max({std::abs(p.red() - q.red()), std::abs(p.green() - q.green()),
                                    std::abs(p.blue() - q.blue())});
            n += d >= 64 ? 1 : 0;
        }
    }
    return n;
}

TEST_F(ShellKeyboard, AltSelectsTheMenuBarFromWhereEnterReachesAbout) {
    QSignalSpy about(frame.get(), &CMainFrame::aboutRequested);
    QMenuBar* bar = frame->menuBar();
    const QRect item = bar->actionGeometry(Menu()->menuAction());
    const QImage idle = bar->grab(item).toImage();
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    // Alt alone: pressed, then released with nothing in between.
    QTest::keyPress(focus, Qt::Key_Alt, Qt::AltModifier);
    QTest::keyRelease(focus, Qt::Key_Alt, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), bar);
    EXPECT_EQ(bar->activeAction(), Menu()->menuAction());
    EXPECT_FALSE(Menu()->isVisible());
    // The operator sees the selected item.
    EXPECT_GE(ClearlyDifferent(bar->grab(item).toImage(), idle), item.width() * item.height() / 4);

    Press(Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Menu()));
    EXPECT_EQ(Menu()->activeAction(), &frame->AboutAction());
    QTest::keyClick(Menu(), Qt::Key_Return);
    EXPECT_EQ(about.size(), 1);
}

TEST_F(ShellKeyboard, F10OpensTheMenuAtAbout) {
    QSignalSpy about(frame.get(), &CMainFrame::aboutRequested);
    Press(Qt::Key_F10);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Menu()));
    EXPECT_EQ(Menu()->activeAction(), &frame->AboutAction());
    QTest::keyClick(Menu(), Qt::Key_Return);
    EXPECT_EQ(about.size(), 1);
    // The menu's mnemonic works too.
    Press(Qt::Key_F10);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Menu()));
    QTest::keyClick(Menu(), Qt::Key_A);
    EXPECT_EQ(about.size(), 2);
}

TEST_F(ShellKeyboard, EnterStartsAJobAtTheStartAndAfterEachResultBox) {
    QPointer<QWidget> parent = frame.get();
    QtMessageBoxHook hook(&parent);
    ASSERT_EQ(QApplication::focusWidget(), Control(1));
    Press(Qt::Key_Return);
    ASSERT_EQ(starts, std::vector<int>{1});

    QMessageBox::Icon icon = QMessageBox::NoIcon;
    OnNextBox([&](QMessageBox& box) {
        icon = box.icon();
        QTest::keyClick(&box, Qt::Key_Return);
    });
    Dialog().Handle()->Send(0x464, 0, 0x20001);
    // The result box carries the exclamation mark, as every OK box of the program.
    EXPECT_EQ(icon, QMessageBox::Warning);
    Activate();
    ASSERT_EQ(QApplication::focusWidget(), Control(1));
    Press(Qt::Key_Return);
    EXPECT_EQ(starts, (std::vector<int>{1, 1}));
}

TEST_F(ShellKeyboard, TheFirstTabAfterAResultShowsTheFocusOnTheButton) {
    QPointer<QWidget> parent = frame.get();
    QtMessageBoxHook hook(&parent);
    QTest::mouseClick(Control(1), Qt::LeftButton);
    OnNextBox([](QMessageBox& box) { box.button(QMessageBox::Ok)->click(); });
    Dialog().Handle()->Send(0x464, 0, 0x20001);
    Activate();
    auto* load = Control(1021);
    const QImage before = load->grab().toImage();
    Press(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), load);
    // Seen on the button itself, a dotted rectangle inside its edge.
    EXPECT_GE(ClearlyDifferent(load->grab().toImage(), before),
              (load->width() + load->height()) / 4);
}

TEST_F(ShellKeyboard, DuringAJobThePathBoxHasTheFocusButNeitherSelectsNorChanges) {
    auto* path = qobject_cast<QLineEdit*>(Control(1020));
    const QString shown = QStringLiteral("/images/app.bin");
    path->setText(shown);
    Press(Qt::Key_Return);
    ASSERT_EQ(starts, std::vector<int>{1});
    EXPECT_EQ(QApplication::focusWidget(), path);
    EXPECT_FALSE(path->hasSelectedText());
    // The keyboard moves around and types: nothing is selected, nothing replaced.
    for (Qt::Key key :
         {Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_X, Qt::Key_Delete, Qt::Key_Backspace}) {
        Press(key);
        EXPECT_EQ(QApplication::focusWidget(), path) << key;
        EXPECT_FALSE(path->hasSelectedText()) << key;
        EXPECT_EQ(path->text(), shown) << key;
    }
    // It looks read-only, on the dialog's face colour, as Win32 shows it.
    EXPECT_EQ(path->palette().color(QPalette::Base), path->palette().color(QPalette::Window));
    Dialog().Handle()->Send(0x464, 0, 0);
    EXPECT_NE(path->palette().color(QPalette::Base), path->palette().color(QPalette::Window));
    QTest::keyClicks(path, "x");
    EXPECT_EQ(path->text(), shown + "x");
}

}  // namespace
}  // namespace gui_test
