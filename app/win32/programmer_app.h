// CProgrammerApp: the desktop program on Windows. Registers the common controls, creates and
// shows the main frame, runs the message loop and shows the About box.
//
// Threading: GUI thread, which runs the message loop.
#pragma once

#include <memory>

#include "app/win32/main_frame.h"
#include "app/win32/message_box.h"

class CProgrammerApp {
  public:
    CProgrammerApp();
    ~CProgrammerApp();
    CProgrammerApp(const CProgrammerApp&) = delete;
    CProgrammerApp& operator=(const CProgrammerApp&) = delete;

    // TRUE when the main frame has been created and shown; FALSE to end the program.
    BOOL InitInstance();
    // The message loop, until the main window has been closed; returns the exit code.
    int Run();
    // ID_APP_ABOUT.
    void OnAbout();

    CMainFrame* MainWindow() const { return m_pMainWnd.get(); }

  private:
    std::unique_ptr<CMainFrame> m_pMainWnd;
    HWND m_mainHwnd = nullptr;
    Win32MessageBoxHook m_messageBox;
    bool m_oleInitialised = false;
};
