#include "app/main_frame.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPointer>
#include <QShortcut>
#include <QStatusBar>

#include "app/dialog_host_view.h"
#include "app/lock_indicators.h"
#include "job/program_job.h"
#include "platform/com_ports.h"
#include "res/icons.h"
#include "settings/app_settings.h"
#include "ui/qt/dialog_style.h"
#include "ui/qt/rs232set_widget.h"

namespace {

constexpr int kStatusBarEdge = 4;

// "HEX 0x08000000..0x0801FFFF, base 0x08000000": as much as the pane's width holds.
std::string ImagePaneText(const image::Layout& layout) {
    constexpr std::string_view kShort[] = {"BIN", "HEX", "S-record", "ELF"};
    std::string text(kShort[static_cast<std::size_t>(layout.format)]);
    if (layout.size == 0)
        return text + ", no data";
    return text + " " + image::Address(layout.first) + ".." + image::Address(layout.last) +
           ", base " + image::Address(layout.base);
}

}  // namespace

void LoadStartupSettings() {
    IdleJobRecord();
    InitSettings();
    platform::LoadComPorts(AppSettings.iniPath);
}

CMainFrame::CMainFrame(std::function<void()> loadSettings)
    : QMainWindow(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                               Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                               Qt::WindowCloseButtonHint) {
    // The dialog presets its lists from the settings as it is created, so they come first.
    if (loadSettings) {
        loadSettings();
    } else {
        LoadStartupSettings();
    }
    setObjectName(QStringLiteral("mainFrame"));
    setWindowTitle(QStringLiteral("KVEN Ver 0.17"));
    m_hostView = new CDialogHostView(this);
    setCentralWidget(m_hostView);
    CreateStatusBar();
    setWindowIcon(res::LoadIconResource(res::IDR_MAINFRAME));
    CreateMenu();
    FitToDialog();
    // The focus given to the frame goes through the host view to the dialog's controls; the
    // dialog has already put it on its first tab stop.
    setFocusProxy(m_hostView);
}

void CMainFrame::CreateMenu() {
    // In the window, not a desktop-wide menu bar: the frame's size depends on it.
    menuBar()->setNativeMenuBar(false);
    QMenu* menu = menuBar()->addMenu(QStringLiteral("KVEN"));
    m_about = menu->addAction(QStringLiteral("About (&A)..."), this, &CMainFrame::aboutRequested);
    m_about->setStatusTip(
        QStringLiteral("Display program information, version number and copyright"));
    m_exit = menu->addAction(QStringLiteral("Exit(&X)"), this, &QWidget::close);
    m_exit->setStatusTip(QStringLiteral("Quit the application; prompts to save documents"));

    // The keyboard reaches the menu: Alt alone selects the menu bar, from where Enter or Down
    // opens the menu (as on Windows); F10 opens the menu at its first item (as on Linux
    // desktops).
    menuBar()->setStyle(new ui::DialogStyle(menuBar()));
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(f10, &QShortcut::activated, this, [this, menu] {
        menuBar()->setActiveAction(menu->menuAction());
        menu->setActiveAction(m_about);
    });
}

void CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setSizeGripEnabled(false);
    // The status bar frames each pane a little outside it; the last pane keeps that room from
    // the window's edge.
    bar->setContentsMargins(0, 0, kStatusBarEdge, 0);
    // A normal pane: menu prompts cover it while the pointer rests on an item.
    auto* ready = new QLabel(QStringLiteral("Ready"), bar);
    ready->setObjectName(QStringLiteral("idleMessage"));
    bar->addWidget(ready, 1);
    m_locks = new LockIndicators(*bar);
    // The dialog's template has no room for an image's addresses, and the operator must see
    // where an image with addresses goes: the pane says it, its tool tip says all of it.
    m_previousImageHook = SetPreparedImageHook([label = QPointer<QLabel>(ready)](
                                                   const image::Layout* layout,
                                                   std::span<const std::uint8_t>) {
        if (!label)
            return;
        const bool addressed = layout && layout->format != image::Format::Raw;
        label->setText(addressed ? QString::fromStdString(ImagePaneText(*layout))
                                 : QStringLiteral("Ready"));
        label->setToolTip(addressed ? QString::fromStdString(image::Describe(*layout)) : QString());
    });
}

CMainFrame::~CMainFrame() {
    SetPreparedImageHook(std::move(m_previousImageHook));
}

void CMainFrame::FitToDialog() {
    // The client area (below the menu) is the dialog's size; the status bar and the sunken
    // edge take their room from it, which the dialog's layout leaves free.
    const QSize dialog = m_hostView->ProgramDialog().size();
    setFixedSize(dialog.width(), dialog.height() + menuBar()->sizeHint().height());
    move(0, 0);
}

bool CMainFrame::event(QEvent* event) {
    // Whenever the frame gets the focus, the host view takes it and passes it to the dialog,
    // which gives it to the control that had it last.
    if (event->type() == QEvent::WindowActivate)
        m_hostView->setFocus(Qt::ActiveWindowFocusReason);
    return QMainWindow::event(event);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // A running job must not be cut off unasked, nor outlive its window: the dialog asks, and
    // releases the port before the window goes.
    if (!m_hostView->ProgramDialog().Dialog().OnCloseRequest()) {
        event->ignore();
        return;
    }
    event->accept();
}
