// The programming dialog's Win32 view: dialog template 133 created from the program's dialog
// resource as a child of the host view, so that Windows lays its controls out in dialog units
// of the template's font. It shows what CRS232SET (the dialog's core) decides: it forwards
// WM_INITDIALOG, the controls' commands (Enter is IDOK, the Program button's id), dropped
// files and the job's window messages to the core, and carries out the core's calls on its
// controls. What is Windows' own stays here: the tool tip window, the file dialog's place, and
// the focus given back to the control that had it when the main window is activated again
// (a read-only edit never has its text selected by the dialog manager).
//
// Threading: created, used and destroyed on the GUI thread. The job's threads reach the dialog
// only through Handle(), a message target on the dialog's window: its sends (SendMessageA) and
// posts (PostMessageA) may come from any thread, and the window procedure hands them to the
// core on the GUI thread, from the message loop or any modal loop.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/window_target.h"
#include "ui/core/dialog_window.h"
#include "ui/core/rs232set.h"
#include "ui/win32/figure_font.h"
#include "ui/win32/tool_tips.h"
#include "ui/win32/windows_api.h"

namespace ui::win32 {

class Rs232SetWindow : public DialogWindow {
  public:
    Rs232SetWindow();
    // Destroys the window; the job that used it must have ended.
    ~Rs232SetWindow() override;
    Rs232SetWindow(const Rs232SetWindow&) = delete;
    Rs232SetWindow& operator=(const Rs232SetWindow&) = delete;

    // Creates the dialog from template 133 as a child of `parent`, at (0, 0), hidden (the
    // template's style), and initialises it from the settings. False when Windows refused.
    bool Create(HWND parent);
    HWND GetSafeHwnd() const { return m_hWnd; }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }

    CRS232SET& Dialog() { return m_dlg; }
    const ToolTips& Tips() const { return m_tips; }
    HFONT FigureFontHandle() const { return m_figureFont.Font(); }

    // For the message loop: keyboard navigation inside the dialog (Tab, arrows, Enter).
    bool IsDialogMessage(MSG& msg) const;
    // The main window is being deactivated: the control with the focus gets it back when the
    // dialog is given the focus again.
    void SaveFocus();

    // DialogWindow: the Win32 messages and calls of a dialog procedure. Texts are UTF-8.
    platform::HWND Handle() override { return &m_target; }
    void EnableWindow(int id, bool enable) override;
    void ShowWindow(int id, bool show) override;
    void SetWindowText(int id, std::string_view text) override;
    std::string GetWindowText(int id) override;
    void SetToolTip(int id, std::string_view text) override;
    void SetFocus(int id) override;                         // WM_NEXTDLGCTL
    void SetReadOnly(int id, bool readOnly) override;       // EM_SETREADONLY
    int AddString(int id, std::string_view text) override;  // CB_ADDSTRING
    void SetCurSel(int id, int index) override;             // CB_SETCURSEL
    int GetCurSel(int id) override;                         // CB_GETCURSEL
    void SetItemToolTip(int id, int index, std::string_view text) override;
    void SetRange32(int id, int low, int high) override;  // PBM_SETRANGE32
    void SetPos(int id, int pos) override;                // PBM_SETPOS
    void SetIcon(int id, int icon) override;              // STM_SETICON
    bool AskYesNo(std::string_view question) override;    // MessageBoxW, MB_YESNO
    std::optional<std::string> GetOpenFileName(const OpenFileRequest& request) override;

  private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    INT_PTR OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    BOOL OnInitDialog();
    void OnDropFiles(HDROP drop);
    // Gives the focus back to the control that had it last, else to the first tab stop.
    void RestoreFocus();
    void FocusControl(HWND control);
    // The main window: the owner of the boxes and of the file dialog.
    HWND MainWindow() const;

    // The core is destroyed after the target whose handler calls it.
    CRS232SET m_dlg;
    platform::WindowTarget m_target;
    ToolTips m_tips;
    // Destroyed after the window whose controls use it.
    FigureFont m_figureFont;
    HWND m_hWnd = nullptr;
    HWND m_lastFocus = nullptr;
    // The core is bound (from WM_INITDIALOG): the controls' commands go to it.
    bool m_bound = false;
    // The core set the focus while it initialised.
    bool m_focusSet = false;
};

}  // namespace ui::win32
