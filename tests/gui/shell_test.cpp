// The main frame, the host view, the About box and the program's message box.
#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "app/about_dlg.h"
#include "app/dialog_host_view.h"
#include "app/main_frame.h"
#include "app/message_box_qt.h"
#include "dialog_fixture.h"
#include "platform/com_ports.h"
#include "ui/qt/titled_box.h"

namespace gui_test {
namespace {

class ShellTest : public ::testing::Test {
  protected:
    testing_support::TempDir dir;
    std::vector<int> startModes;
    int ends = 0;

    // A frame whose settings come from an INI file in the temporary folder.
    std::unique_ptr<CMainFrame> MakeFrame(std::function<void()> preset = {}) {
        auto frame = std::make_unique<CMainFrame>([&, preset] {
            InitSettingsFor(dir.File("kven"));
            if (preset)
                preset();
        });
        Dialog(*frame).Dialog().SetJobApi({[this](platform::HWND, int mode) {
                                               startModes.push_back(mode);
                                               return 1;
                                           },
                                           [this] { ++ends; }});
        return frame;
    }
    static ui::Rs232SetWidget& Dialog(const CMainFrame& f) { return f.HostView().ProgramDialog(); }
    static QComboBox& List(const CMainFrame& f, int id) {
        return *qobject_cast<QComboBox*>(Dialog(f).GetDlgItem(id));
    }
};

TEST_F(ShellTest, SettingsExistBeforeTheDialogReadsThem) {
    bool iniExisted = false;
    auto frame = MakeFrame([&] {
        iniExisted = std::filesystem::exists(AppSettings.iniPath);
        AppSettings.port = 3;
    });
    EXPECT_TRUE(iniExisted);
    EXPECT_EQ(AppSettings.iniPath, dir.File("kven.INI"));
    EXPECT_EQ(List(*frame, 1001).currentText(), "COM3");
    // First start: the dialog shows the defaults.
    EXPECT_EQ(List(*frame, 1000).currentText(), "115200");
}

TEST_F(ShellTest, FrameIsFixedAtTheOriginAroundTheDialog) {
    auto frame = MakeFrame();
    frame->show();
    EXPECT_EQ(frame->windowTitle(), "KVEN Ver 0.17");
    EXPECT_EQ(frame->pos(), QPoint(0, 0));
    EXPECT_EQ(frame->minimumSize(), frame->maximumSize());
    EXPECT_FALSE(frame->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(frame->windowFlags() & Qt::WindowMinimizeButtonHint);
    // The client area below the menu is exactly the dialog.
    const QSize client(frame->width(), frame->height() - frame->menuBar()->height());
    EXPECT_EQ(client, Dialog(*frame).size());
    EXPECT_EQ(Dialog(*frame).pos(), QPoint(0, 0));
    EXPECT_FALSE(frame->windowIcon().isNull());
}

TEST_F(ShellTest, MenuHoldsAboutAndExit) {
    auto frame = MakeFrame();
    const auto menus = frame->menuBar()->actions();
    ASSERT_EQ(menus.size(), 1);
    EXPECT_EQ(menus[0]->text(), "KVEN");
    const auto items = menus[0]->menu()->actions();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0]->text(), "About (&A)...");
    EXPECT_EQ(items[1]->text(), "Exit(&X)");

    QSignalSpy about(frame.get(), &CMainFrame::aboutRequested);
    items[0]->trigger();
    EXPECT_EQ(about.size(), 1);
    frame->show();
    items[1]->trigger();
    EXPECT_FALSE(frame->isVisible());
}

TEST_F(ShellTest, StatusBarShowsReadyOrTheHoveredItemsPrompt) {
    auto frame = MakeFrame();
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    QStatusBar* bar = frame->statusBar();
    auto* ready = bar->findChild<QLabel*>("idleMessage");
    ASSERT_NE(ready, nullptr);
    EXPECT_EQ(ready->text(), "Ready");
    for (const char* pane : {"CAP", "NUM", "SCRL"}) {
        ASSERT_NE(bar->findChild<QLabel*>(pane), nullptr) << pane;
        EXPECT_EQ(bar->findChild<QLabel*>(pane)->text(), pane);
    }

    // Opened from the menu bar, as the operator opens it.
    QAction* kven = frame->menuBar()->actions()[0];
    QMenu* menu = kven->menu();
    frame->menuBar()->setActiveAction(kven);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    const struct {
        QAction* item;
        const char* prompt;
    } cases[] = {
        {&frame->AboutAction(), "Display program information, version number and copyright"},
        {&frame->ExitAction(), "Quit the application; prompts to save documents"},
    };
    for (const auto& c : cases) {
        QSignalSpy changed(bar, &QStatusBar::messageChanged);
        QTest::mouseMove(menu, menu->actionGeometry(c.item).center());
        if (bar->currentMessage() != c.prompt) {
            ASSERT_TRUE(changed.wait(20000));
        }
        EXPECT_EQ(bar->currentMessage(), c.prompt);
    }
    QSignalSpy cleared(bar, &QStatusBar::messageChanged);
    menu->close();
    if (!bar->currentMessage().isEmpty()) {
        ASSERT_TRUE(cleared.wait(20000));
    }
    EXPECT_TRUE(ready->isVisible());
}

TEST_F(ShellTest, StatusBarPanesStayInsideTheWindow) {
    auto frame = MakeFrame();
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    QStatusBar* bar = frame->statusBar();
    const QRect window = frame->rect();
    for (const char* name : {"idleMessage", "CAP", "NUM", "SCRL"}) {
        const QLabel* pane = bar->findChild<QLabel*>(name);
        ASSERT_NE(pane, nullptr) << name;
        // The status bar frames each pane two pixels wider than the pane.
        const QRect framed(bar->mapTo(frame.get(), pane->geometry().topLeft()) - QPoint(2, 1),
                           pane->size() + QSize(4, 2));
        EXPECT_TRUE(window.contains(framed)) << name;
    }
}

TEST_F(ShellTest, FocusStartsOnProgramAndEveryTabStopShows) {
    auto frame = MakeFrame([] { AppSettings.eepsumShowEnable = 1; });
    frame->show();
    QApplication::setActiveWindow(frame.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    QWidget* program = Dialog(*frame).GetDlgItem(1);
    EXPECT_EQ(QApplication::focusWidget(), program);
    // Round the tab chain: only the dialog's shown tab stops, in template order.
    const int order[] = {1021, 1000, 1003, 1001, 1004, 1019, 1020, 1030, 1};
    for (int id : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), Dialog(*frame).GetDlgItem(id)) << id;
        EXPECT_TRUE(QApplication::focusWidget()->isVisible()) << id;
    }
    // Focus given to the frame goes back to the control that had it.
    List(*frame, 1003).setFocus();
    frame->setFocus();
    EXPECT_EQ(QApplication::focusWidget(), &List(*frame, 1003));
}

TEST_F(ShellTest, EscapeInTheHostedDialogKeepsItShown) {
    auto frame = MakeFrame();
    frame->show();
    QTest::keyClick(&Dialog(*frame), Qt::Key_Escape);
    EXPECT_TRUE(Dialog(*frame).isVisible());
}

TEST_F(ShellTest, ClosingWhileAJobRunsAsksAndYesEndsTheJob) {
    std::vector<std::string> boxes;
    auto previous = platform::SetMessageBoxHook(
        [&](std::string_view text, std::string_view) { boxes.emplace_back(text); });
    auto frame = MakeFrame();
    frame->show();
    Dialog(*frame).OnCommand(1);
    ASSERT_EQ(startModes, std::vector<int>{1});

    // No: the window stays and so does the job.
    QString asked;
    OnNextBox([&](QMessageBox& box) {
        asked = box.text();
        EXPECT_EQ(box.windowTitle(), "Kven");
        EXPECT_EQ(box.standardButtons(), QMessageBox::Yes | QMessageBox::No);
        // Enter does not stop a job.
        EXPECT_EQ(box.defaultButton(), box.button(QMessageBox::No));
        QTest::keyClick(&box, Qt::Key_Return);
    });
    EXPECT_FALSE(frame->close());
    EXPECT_EQ(asked, "A job is running. Stop it and close the program?");
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(ends, 0);

    // Yes: the job is ended, then the window closes.
    OnNextBox([](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); });
    EXPECT_TRUE(frame->close());
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(frame->isVisible());
    // A result that was already on its way shows no box for a closed window.
    PostMessageA(Dialog(*frame).Handle(), 0x464, 0, 0x20001);
    Dialog(*frame).Handle()->Pump();
    EXPECT_TRUE(boxes.empty());
    platform::SetMessageBoxHook(std::move(previous));
}

TEST_F(ShellTest, ClosingWhenIdleAsksNothing) {
    auto frame = MakeFrame();
    frame->show();
    // A question would hold the close in its loop; this answers it, and fails the test.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] {
        ADD_FAILURE() << "a question was asked";
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    guard.start(0);
    EXPECT_TRUE(frame->close());
    EXPECT_EQ(ends, 0);
}

TEST(AboutBox, ShowsNameVersionIconAndClosesWithOk) {
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), "About KVEN");
    QStringList texts;
    bool icon = false;
    for (QLabel* l : about.findChildren<QLabel*>()) {
        texts << l->text();
        icon = icon || !l->pixmap().isNull();
    }
    EXPECT_TRUE(texts.contains("KVEN Version 0.1"));
    EXPECT_TRUE(icon);
    auto* ok = about.findChild<QPushButton*>();
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_TRUE(ok->isDefault());
    QTimer::singleShot(0, ok, &QPushButton::click);
    EXPECT_EQ(about.exec(), QDialog::Accepted);
    QTimer::singleShot(0, &about, [&] { QTest::keyClick(&about, Qt::Key_Escape); });
    EXPECT_EQ(about.exec(), QDialog::Rejected);
}

TEST(MessageBox, TitledKvenWithOkTheTextAndItsDetailsBeneath) {
    QPointer<QWidget> parent;
    QtMessageBoxHook hook(&parent);
    struct Seen {
        QString title, text, details;
        int buttons = 0;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
    };
    const std::pair<const char*, const char*> cases[] = {
        {"COM can not be accessed", "COM9 is /dev/ttyUSB9.\nOpening it failed: Permission denied."},
        {"Writing is OK", ""}};
    for (const auto& [text, details] : cases) {
        Seen seen;
        OnNextBox([&](QMessageBox& box) {
            seen = {box.windowTitle(), box.text(), box.detailedText(),
                    static_cast<int>(box.standardButtons()), box.icon()};
            box.button(QMessageBox::Ok)->click();
        });
        EXPECT_EQ(AfxMessageBox(text, details), IDOK);
        EXPECT_EQ(seen.title, "Kven");
        EXPECT_EQ(seen.text, text);
        EXPECT_EQ(seen.details, details);
        EXPECT_EQ(seen.buttons, QMessageBox::Ok);
        // An OK box without an icon of its own shows the exclamation mark.
        EXPECT_EQ(seen.icon, QMessageBox::Warning);
    }
}

// A title bar shows "Kven" whole over the shortest box, its details shown or not.
TEST(MessageBox, NeverNarrowerThanItsTitleNeeds) {
    QPointer<QWidget> parent;
    QtMessageBoxHook hook(&parent);
    const int needed =
        ui::TitleBarWidth(QStringLiteral("Kven"), QApplication::font("QMdiSubWindowTitleBar"));
    // More than Qt's own allowance (the title's width and 50 pixels).
    ASSERT_GT(
        needed,
        QFontMetrics(QApplication::font("QMdiSubWindowTitleBar")).horizontalAdvance("Kven") + 50);
    for (const char* details : {"", "COM2 names no device."}) {
        int width = 0, widthWithDetails = 0;
        OnNextBox([&](QMessageBox& box) {
            width = box.width();
            if (!box.detailedText().isEmpty()) {
                for (QAbstractButton* b : box.buttons()) {
                    if (box.buttonRole(b) == QMessageBox::ActionRole)
                        b->click();  // "Show Details..."
                }
                widthWithDetails = box.width();
            }
            box.button(QMessageBox::Ok)->click();
        });
        AfxMessageBox("Time out", details);
        EXPECT_GE(width, needed) << details;
        if (*details) {
            EXPECT_GE(widthWithDetails, needed);
        }
    }
}

}  // namespace
}  // namespace gui_test
