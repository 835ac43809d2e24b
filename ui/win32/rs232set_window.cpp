#include "ui/win32/rs232set_window.h"

#include <commctrl.h>

#include "job/job_messages.h"
#include "res/win32/resource.h"
#include "ui/win32/wide_text.h"

namespace ui::win32 {

Rs232SetWindow::Rs232SetWindow(JobMessageHandler onJobMessage)
    : m_target(std::move(onJobMessage)) {}

Rs232SetWindow::~Rs232SetWindow() {
    m_target.Attach(nullptr);
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
}

bool Rs232SetWindow::Create(HWND parent) {
    m_hWnd =
        ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_RS232SET), parent,
                             &Rs232SetWindow::DialogProc, reinterpret_cast<LPARAM>(this));
    m_target.Attach(m_hWnd);
    return m_hWnd != nullptr;
}

bool Rs232SetWindow::IsDialogMessage(MSG& msg) const {
    return m_hWnd && ::IsDialogMessageW(m_hWnd, &msg);
}

void Rs232SetWindow::EnableWindow(int id, bool enable) {
    ::EnableWindow(GetDlgItem(id), enable);
}

void Rs232SetWindow::ShowWindow(int id, bool show) {
    ::ShowWindow(GetDlgItem(id), show ? SW_SHOW : SW_HIDE);
}

void Rs232SetWindow::SetWindowText(int id, std::string_view text) {
    ::SetWindowTextW(GetDlgItem(id), Widen(text).c_str());
}

std::string Rs232SetWindow::GetWindowText(int id) const {
    const HWND control = GetDlgItem(id);
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        ::GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return Narrow(text);
}

void Rs232SetWindow::SetFocus(int id) {
    ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(id)), TRUE);
}

void Rs232SetWindow::SetReadOnly(int id, bool readOnly) {
    ::SendMessageW(GetDlgItem(id), EM_SETREADONLY, readOnly, 0);
}

int Rs232SetWindow::AddString(int id, std::string_view text) {
    const std::wstring wide = Widen(text);
    return static_cast<int>(
        ::SendMessageW(GetDlgItem(id), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str())));
}

void Rs232SetWindow::SetCurSel(int id, int index) {
    ::SendMessageW(GetDlgItem(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int Rs232SetWindow::GetCurSel(int id) const {
    return static_cast<int>(::SendMessageW(GetDlgItem(id), CB_GETCURSEL, 0, 0));
}

void Rs232SetWindow::SetRange32(int id, int low, int high) {
    ::SendMessageW(GetDlgItem(id), PBM_SETRANGE32, static_cast<WPARAM>(low), high);
}

void Rs232SetWindow::SetPos(int id, int pos) {
    ::SendMessageW(GetDlgItem(id), PBM_SETPOS, static_cast<WPARAM>(pos), 0);
}

void Rs232SetWindow::SetIcon(int id, int icon) {
    // A resource icon is shared and never destroyed.
    const HICON handle = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(icon));
    ::SendMessageW(GetDlgItem(id), STM_SETICON, reinterpret_cast<WPARAM>(handle), 0);
}

INT_PTR CALLBACK Rs232SetWindow::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG)
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    auto* self = reinterpret_cast<Rs232SetWindow*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!self)
        return FALSE;
    if (msg == WM_INITDIALOG)
        self->m_hWnd = hwnd;
    return self->OnMessage(msg, wParam, lParam);
}

INT_PTR Rs232SetWindow::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_INITDIALOG:
            // The focus is left to the dialog manager: its first tab stop.
            return TRUE;
        case WM_JOB_STATUS:
        case WM_JOB_DONE:
            ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, m_target.Deliver(msg, wParam, lParam));
            return TRUE;
        case WM_COMMAND:
            // IDOK (Enter, and the Program button, whose id it is) and IDCANCEL (Escape) must not
            // end a dialog that is the window's only working surface.
            return TRUE;
        case WM_DESTROY:
            m_target.Attach(nullptr);
            m_hWnd = nullptr;
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace ui::win32
