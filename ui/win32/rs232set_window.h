// The programming dialog's Win32 view: dialog template 133 created from the program's dialog
// resource as a child of the host view, so that Windows lays its controls out in dialog units
// of the template's font. The job's messages reach it as real window messages through its
// message target (Handle()).
//
// The dialog's behaviour (its states, the enabling, the data exchange, the texts, what the
// job's messages show) is the dialog core's; this window only carries it out and passes on
// what happens to it. Until the core is plugged in (OnInitDialog, OnCommand, the job's
// messages), the dialog shows its template as it stands and does nothing.
//
// Threading: created, used and destroyed on the GUI thread. Send and Post on Handle() may be
// called from any thread.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/window_target.h"

#include "ui/win32/windows_api.h"

namespace ui::win32 {

class Rs232SetWindow {
  public:
    // What the window passes on: the job's messages (WM_JOB_STATUS, WM_JOB_DONE), on the GUI
    // thread.
    using JobMessageHandler = std::function<LRESULT(UINT msg, WPARAM wParam, LPARAM lParam)>;

    explicit Rs232SetWindow(JobMessageHandler onJobMessage = {});
    // Destroys the window; the job that used it must have ended.
    ~Rs232SetWindow();
    Rs232SetWindow(const Rs232SetWindow&) = delete;
    Rs232SetWindow& operator=(const Rs232SetWindow&) = delete;

    // Creates the dialog from template 133 as a child of `parent`, at (0, 0), hidden (the
    // template's style). False when Windows refused.
    bool Create(HWND parent);
    HWND GetSafeHwnd() const { return m_hWnd; }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }

    // The target of the job's messages: the handle StartJob is given.
    platform::HWND Handle() { return &m_target; }

    // For the message loop: keyboard navigation inside the dialog (Tab, arrows, Enter).
    bool IsDialogMessage(MSG& msg) const;

    // The controls, by id, with the Win32 messages and calls a dialog procedure uses. Texts
    // are UTF-8.
    void EnableWindow(int id, bool enable);
    void ShowWindow(int id, bool show);
    void SetWindowText(int id, std::string_view text);
    std::string GetWindowText(int id) const;
    // Moves the keyboard focus to `id` as the dialog manager does (WM_NEXTDLGCTL), which also
    // makes a push button the default one.
    void SetFocus(int id);
    void SetReadOnly(int id, bool readOnly);  // EM_SETREADONLY
    // CB_ADDSTRING (the new entry's index; a sorted list sorts it in), CB_SETCURSEL and
    // CB_GETCURSEL (-1: no selection).
    int AddString(int id, std::string_view text);
    void SetCurSel(int id, int index);
    int GetCurSel(int id) const;
    // PBM_SETRANGE32 and PBM_SETPOS (the bar keeps the position within its range).
    void SetRange32(int id, int low, int high);
    void SetPos(int id, int pos);
    // STM_SETICON with the program's icon resource `icon`.
    void SetIcon(int id, int icon);

  private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    INT_PTR OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;
    platform::WindowTarget m_target;
};

}  // namespace ui::win32
