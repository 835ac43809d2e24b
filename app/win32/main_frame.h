// CMainFrame: the main window. No sizing border and no maximise box, at (0, 0), its client
// area exactly the size of the programming dialog; the menu "KVEN"; a status bar with "Ready",
// the menu prompts and the lock indicators. Creating it loads the settings before the dialog
// exists. It closes (Exit, the close box, Alt+F4) only when the dialog lets it: during a job
// the operator is asked first.
//
// Threading: GUI thread.
#pragma once

#include <functional>

#include "app/win32/dialog_host_view.h"
#include "app/win32/status_bar.h"

class CMainFrame {
  public:
    // `onAbout` handles ID_APP_ABOUT (the application's About box).
    explicit CMainFrame(std::function<void()> onAbout);
    CMainFrame(const CMainFrame&) = delete;
    CMainFrame& operator=(const CMainFrame&) = delete;

    // LoadFrame: the menu, the accelerators and the caption of resource 128, and the window.
    bool LoadFrame(UINT resourceId);
    HWND GetSafeHwnd() const { return m_hWnd; }
    CDialogHostView& HostView() { return m_hostView; }

    // For the message loop, before a message is dispatched: the accelerators, then the
    // dialog's keyboard navigation. True when the message was handled.
    bool PreTranslateMessage(MSG& msg);
    // For the message loop, after a message was handled: keeps the lock indicators current.
    void AfterMessage(const MSG& msg);

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    int OnCreate();
    void OnCommand(UINT id);
    void OnMenuSelect(UINT item, UINT flags, HMENU menu);
    void RecalcLayout();
    void FitToDialog();

    std::function<void()> m_onAbout;
    HWND m_hWnd = nullptr;
    HACCEL m_accelerators = nullptr;
    // Destroyed in this order: the host view (and with it the dialog), then the status bar.
    CStatusBar m_statusBar;
    CDialogHostView m_hostView;
};

// The job record idled, InitSettings, then the COM number table from the same INI file.
void LoadStartupSettings();
