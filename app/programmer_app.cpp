#include "app/programmer_app.h"

#include <QApplication>

#include "app/about_dlg.h"
#include "app/main_frame.h"
#include "res/icons.h"

CProgrammerApp::CProgrammerApp(std::function<void()> loadSettings)
    : m_loadSettings(std::move(loadSettings)), m_messageBox(&m_pMainWnd) {}

BOOL CProgrammerApp::InitInstance() {
    // The application's name is the caption of every message box.
    QApplication::setApplicationName(QStringLiteral("Kven"));
    QApplication::setApplicationVersion(QStringLiteral(KVEN_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("kven"));
    QApplication::setWindowIcon(res::LoadIconResource(res::IDR_MAINFRAME));

    auto* frame = new CMainFrame(m_loadSettings);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    m_pMainWnd = frame;
    QObject::connect(frame, &CMainFrame::aboutRequested, frame, [this] { OnAbout(); });
    frame->show();
    return TRUE;
}

void CProgrammerApp::OnAbout() {
    CAboutDlg about(m_pMainWnd);
    about.exec();
}

CMainFrame* CProgrammerApp::MainWindow() const {
    return qobject_cast<CMainFrame*>(m_pMainWnd);
}
