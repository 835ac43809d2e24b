// CProgrammerApp: the application object, driven from main() once the QApplication exists.
// It names the application, installs the message box, creates and shows the main frame, and
// handles the About command.
//
// Threading: GUI thread.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

#include "app/message_box_qt.h"
#include "platform/win_types.h"

class CMainFrame;

class CProgrammerApp {
  public:
    // `loadSettings` replaces the start-up settings (InitSettings and the COM table) for
    // tools that run the program on a private INI file.
    explicit CProgrammerApp(std::function<void()> loadSettings = {});

    // Creates and shows the main frame; false ends the program.
    BOOL InitInstance();
    void OnAbout();

    CMainFrame* MainWindow() const;

  private:
    // The frame deletes itself when its window closes; this follows it.
    QPointer<QWidget> m_pMainWnd;
    std::function<void()> m_loadSettings;
    QtMessageBoxHook m_messageBox;
};
