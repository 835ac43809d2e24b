// CAboutDlg, the About box (dialog resource 100): the icon, the version line and OK. Closes
// with OK, Escape or its close box.
//
// Threading: GUI thread.
#pragma once

#include "ui/win32/windows_api.h"

class CAboutDlg {
  public:
    // Runs the box modally over `owner`; returns when it is closed.
    INT_PTR DoModal(HWND owner);

  private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
};
