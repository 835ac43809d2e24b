// CDialogHostView: the frame's one child window, with a sunken client edge, whose client area
// holds the programming dialog at (0, 0). The focus it is given goes on to the dialog, which
// gives it to the control that had it last.
//
// Threading: GUI thread.
#pragma once

#include "ui/win32/rs232set_window.h"

class CDialogHostView {
  public:
    CDialogHostView() = default;
    CDialogHostView(const CDialogHostView&) = delete;
    CDialogHostView& operator=(const CDialogHostView&) = delete;

    // Creates the view as child `id` of `parent`, and in it the programming dialog.
    bool Create(HWND parent, UINT id);
    HWND GetSafeHwnd() const { return m_hWnd; }
    ui::win32::Rs232SetWindow& ProgramDialog() { return m_programDlg; }

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;
    ui::win32::Rs232SetWindow m_programDlg;
};
