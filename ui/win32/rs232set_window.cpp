#include "ui/win32/rs232set_window.h"

#include <vector>

#include <commctrl.h>
#include <shellapi.h>

#include "job/job_messages.h"
#include "ui/win32/open_file_dialog.h"
#include "ui/win32/wide_text.h"
// Last: its macros name resources by number (app/win32/resource_ids.cpp checks them).
#include "res/win32/resource.h"

namespace ui::win32 {

namespace {

constexpr UINT_PTR kEditSubclass = 1;

bool IsEdit(HWND control) {
    wchar_t name[16] = {};
    return ::GetClassNameW(control, name, 16) && ::lstrcmpiW(name, L"Edit") == 0;
}

// An edit box that is read-only does not ask the dialog manager to select its text when the
// focus comes to it (by Tab, WM_NEXTDLGCTL or a restore): a job's path is shown, not offered
// for replacing.
LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (msg == WM_GETDLGCODE) {
        LRESULT code = ::DefSubclassProc(hwnd, msg, wParam, lParam);
        if (::GetWindowLongPtrW(hwnd, GWL_STYLE) & ES_READONLY)
            code &= ~static_cast<LRESULT>(DLGC_HASSETSEL);
        return code;
    }
    if (msg == WM_NCDESTROY)
        ::RemoveWindowSubclass(hwnd, &EditProc, kEditSubclass);
    return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

bool CanTakeFocus(HWND dialog, HWND control) {
    return control && ::IsChild(dialog, control) && ::IsWindowVisible(control) &&
           ::IsWindowEnabled(control);
}

}  // namespace

Rs232SetWindow::Rs232SetWindow()
    : m_target([this](UINT msg, WPARAM wParam, LPARAM lParam) {
          return m_dlg.WindowProc(msg, wParam, lParam);
      }) {}

Rs232SetWindow::~Rs232SetWindow() {
    m_target.Attach(nullptr);
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
}

bool Rs232SetWindow::Create(HWND parent) {
    // WM_INITDIALOG attaches the window and binds the core before CreateDialogParamW returns.
    ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_RS232SET), parent,
                         &Rs232SetWindow::DialogProc, reinterpret_cast<LPARAM>(this));
    return m_hWnd != nullptr;
}

bool Rs232SetWindow::IsDialogMessage(MSG& msg) const {
    return m_hWnd && ::IsDialogMessageW(m_hWnd, &msg);
}

HWND Rs232SetWindow::MainWindow() const {
    return m_hWnd ? ::GetAncestor(m_hWnd, GA_ROOT) : nullptr;
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
            return OnInitDialog();
        case WM_JOB_STATUS:
        case WM_JOB_DONE:
            ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, m_target.Deliver(msg, wParam, lParam));
            return TRUE;
        case WM_COMMAND:
            // Every command is the core's. IDOK (Enter) is the Program button's id; IDCANCEL
            // (Escape) is no control's, so it never ends the window's only working surface.
            if (m_bound)
                m_dlg.OnCommand(LOWORD(wParam), static_cast<Notify>(HIWORD(wParam)));
            return TRUE;
        case WM_NOTIFY:
            return m_tips.OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
        case WM_DROPFILES:
            OnDropFiles(reinterpret_cast<HDROP>(wParam));
            return TRUE;
        case WM_SETFOCUS:
            RestoreFocus();
            return TRUE;
        case WM_DESTROY:
            m_bound = false;
            m_target.Attach(nullptr);
            m_tips.Destroy();
            ::DragAcceptFiles(m_hWnd, FALSE);
            return FALSE;
        case WM_NCDESTROY:
            m_hWnd = nullptr;
            m_lastFocus = nullptr;
            return FALSE;
        default:
            return FALSE;
    }
}

BOOL Rs232SetWindow::OnInitDialog() {
    m_target.Attach(m_hWnd);
    m_tips.Attach(m_hWnd);
    for (HWND c = ::GetWindow(m_hWnd, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
        if (IsEdit(c))
            ::SetWindowSubclass(c, &EditProc, kEditSubclass, 0);
    }
    ::DragAcceptFiles(m_hWnd, TRUE);
    m_figureFont.Fit(m_hWnd);
    m_focusSet = false;
    m_dlg.Create(*this);
    m_bound = true;
    // FALSE: the core has put the focus where it wants it.
    return m_focusSet ? FALSE : TRUE;
}

void Rs232SetWindow::OnDropFiles(HDROP drop) {
    std::vector<std::string> paths;
    const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::wstring path(::DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        path.resize(::DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
        paths.push_back(Narrow(path));
    }
    ::DragFinish(drop);
    if (m_bound)
        m_dlg.OnDropFiles(paths);
}

void Rs232SetWindow::SaveFocus() {
    const HWND focus = ::GetFocus();
    if (m_hWnd && focus && ::IsChild(m_hWnd, focus))
        m_lastFocus = focus;
}

void Rs232SetWindow::RestoreFocus() {
    HWND target = CanTakeFocus(m_hWnd, m_lastFocus) ? m_lastFocus : nullptr;
    if (!target)
        target = ::GetNextDlgTabItem(m_hWnd, nullptr, FALSE);
    if (CanTakeFocus(m_hWnd, target))
        FocusControl(target);
}

void Rs232SetWindow::FocusControl(HWND control) {
    m_lastFocus = control;
    // As the dialog manager moves it: a push button with the focus becomes the default one.
    ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

void Rs232SetWindow::EnableWindow(int id, bool enable) {
    ::EnableWindow(GetDlgItem(id), enable);
}

void Rs232SetWindow::ShowWindow(int id, bool show) {
    ::ShowWindow(GetDlgItem(id), show ? SW_SHOW : SW_HIDE);
}

void Rs232SetWindow::SetWindowText(int id, std::string_view text) {
    // An unchanged text is not set again: it would flicker, and reset an edit box's caret.
    const HWND control = GetDlgItem(id);
    const std::wstring wide = Widen(text);
    const int length = ::GetWindowTextLengthW(control);
    if (length == static_cast<int>(wide.size())) {
        std::wstring current(wide.size() + 1, L'\0');
        current.resize(static_cast<std::size_t>(
            ::GetWindowTextW(control, current.data(), static_cast<int>(current.size()))));
        if (current == wide)
            return;
    }
    ::SetWindowTextW(control, wide.c_str());
    // Wine's edit control tells no one its value changed (Windows' does; a second event is
    // harmless): screen readers, and the desktop test, follow the status box by this event.
    if (IsEdit(control))
        ::NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, control, OBJID_CLIENT, CHILDID_SELF);
}

std::string Rs232SetWindow::GetWindowText(int id) {
    const HWND control = GetDlgItem(id);
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        ::GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return Narrow(text);
}

void Rs232SetWindow::SetToolTip(int id, std::string_view text) {
    m_tips.Set(GetDlgItem(id), Widen(text));
}

void Rs232SetWindow::SetFocus(int id) {
    m_focusSet = true;
    FocusControl(GetDlgItem(id));
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

int Rs232SetWindow::GetCurSel(int id) {
    return static_cast<int>(::SendMessageW(GetDlgItem(id), CB_GETCURSEL, 0, 0));
}

void Rs232SetWindow::SetItemToolTip(int id, int index, std::string_view text) {
    m_tips.SetItem(GetDlgItem(id), index, Widen(text));
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

bool Rs232SetWindow::AskYesNo(std::string_view question) {
    // As the Linux program asks it: a warning, No the default, so Enter keeps the job running.
    const std::wstring title = LoadResourceString(AFX_IDS_APP_TITLE);
    return ::MessageBoxW(MainWindow(), Widen(question).c_str(), title.c_str(),
                         MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

std::optional<std::string> Rs232SetWindow::GetOpenFileName(const OpenFileRequest& request) {
    return ShowOpenFileDialog(MainWindow(), request);
}

}  // namespace ui::win32
