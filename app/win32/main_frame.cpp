#include "app/win32/main_frame.h"

#include "app/win32/object_window.h"

#include "job/program_job.h"
#include "platform/com_ports.h"
#include "res/win32/resource.h"
#include "settings/app_settings.h"
#include "ui/win32/wide_text.h"

namespace {

constexpr wchar_t kClassName[] = L"KvenMainFrame";
// WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX: no sizing border, no maximise box.
constexpr DWORD kFrameStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

constexpr UINT kIndicators[] = {0, ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL};

int Width(const RECT& r) {
    return r.right - r.left;
}
int Height(const RECT& r) {
    return r.bottom - r.top;
}

bool IsLockKeyMessage(UINT msg) {
    return msg == WM_KEYDOWN || msg == WM_KEYUP || msg == WM_SYSKEYDOWN || msg == WM_SYSKEYUP;
}

// The standard edit commands of the accelerators, as messages to an edit control.
UINT EditMessage(UINT command) {
    switch (command) {
        case ID_EDIT_COPY:
            return WM_COPY;
        case ID_EDIT_CUT:
            return WM_CUT;
        case ID_EDIT_PASTE:
            return WM_PASTE;
        case ID_EDIT_UNDO:
            return WM_UNDO;
        default:
            return 0;
    }
}

}  // namespace

void LoadStartupSettings() {
    IdleJobRecord();
    InitSettings();
    platform::LoadComPorts(AppSettings.iniPath);
}

CMainFrame::CMainFrame(std::function<void()> onAbout) : m_onAbout(std::move(onAbout)) {}

bool CMainFrame::LoadFrame(UINT resourceId) {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    // No class style, cursor, background or icon: the frame's client area is all children,
    // and its icon is set when it is created.
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &CMainFrame::WindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = kClassName;
    if (!::GetClassInfoExW(instance, kClassName, &wc) && !::RegisterClassExW(&wc))
        return false;
    m_accelerators = ::LoadAcceleratorsW(instance, MAKEINTRESOURCEW(resourceId));
    const std::wstring caption = ui::win32::LoadResourceString(resourceId);
    const HMENU menu = ::LoadMenuW(instance, MAKEINTRESOURCEW(resourceId));
    return ::CreateWindowExW(0, kClassName, caption.c_str(), kFrameStyle, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, menu, instance,
                             this) != nullptr;
}

LRESULT CALLBACK CMainFrame::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return ObjectWindowProc<CMainFrame, &CMainFrame::m_hWnd, &CMainFrame::OnMessage>(
        hwnd, msg, wParam, lParam);
}

LRESULT CMainFrame::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_CREATE:
            return OnCreate();
        case WM_SIZE:
            RecalcLayout();
            return 0;
        case WM_SETFOCUS:
            // The host view takes the focus (and hands it on to the dialog).
            if (const HWND view = m_hostView.GetSafeHwnd())
                ::SetFocus(view);
            return 0;
        case WM_ACTIVATE:
            // The dialog's control with the focus gets it back when the frame is active again.
            if (LOWORD(wParam) == WA_INACTIVE)
                m_hostView.ProgramDialog().SaveFocus();
            m_statusBar.UpdateIndicators();
            break;
        case WM_CLOSE:
            // The dialog says whether the window may close: during a job it asks first.
            if (m_hostView.ProgramDialog().Dialog().OnCloseRequest())
                ::DestroyWindow(m_hWnd);
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam));
            return 0;
        case WM_MENUSELECT:
            OnMenuSelect(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HMENU>(lParam));
            return 0;
        case WM_EXITMENULOOP:
            m_statusBar.SetMessageText(ui::win32::LoadResourceString(AFX_IDS_IDLEMESSAGE));
            return 0;
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return ::DefWindowProcW(m_hWnd, msg, wParam, lParam);
}

int CMainFrame::OnCreate() {
    // The dialog presets its lists from the settings as it is created: they come first.
    LoadStartupSettings();
    if (!m_hostView.Create(m_hWnd, AFX_IDW_PANE_FIRST))
        return -1;
    if (!m_statusBar.Create(m_hWnd, AFX_IDW_STATUS_BAR) ||
        !m_statusBar.SetIndicators(kIndicators, static_cast<int>(std::size(kIndicators))))
        return -1;
    const HICON icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    FitToDialog();
    return 0;
}

void CMainFrame::FitToDialog() {
    // The client area becomes the dialog's size; the status bar and the view's client edge
    // take their room from it, which the dialog's layout leaves free.
    const HWND dialog = m_hostView.ProgramDialog().GetSafeHwnd();
    if (!dialog)
        return;
    RECT dialogClient{}, frameClient{}, frameWindow{};
    ::GetClientRect(dialog, &dialogClient);
    ::GetClientRect(m_hWnd, &frameClient);
    ::GetWindowRect(m_hWnd, &frameWindow);
    ::MoveWindow(m_hWnd, 0, 0, Width(dialogClient) + Width(frameWindow) - Width(frameClient),
                 Height(dialogClient) + Height(frameWindow) - Height(frameClient), TRUE);
}

void CMainFrame::RecalcLayout() {
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    const int barHeight = m_statusBar.Layout();
    if (const HWND view = m_hostView.GetSafeHwnd())
        ::MoveWindow(view, 0, 0, Width(client), Height(client) - barHeight, TRUE);
}

void CMainFrame::OnCommand(UINT id) {
    switch (id) {
        case ID_APP_ABOUT:
            if (m_onAbout)
                m_onAbout();
            return;
        case ID_APP_EXIT:
            ::SendMessageW(m_hWnd, WM_CLOSE, 0, 0);
            return;
        default:
            break;
    }
    // The accelerators' edit commands reach the edit box that has the focus, so Ctrl+C and
    // the others keep working there.
    if (const UINT message = EditMessage(id)) {
        const HWND focus = ::GetFocus();
        wchar_t cls[16] = {};
        if (focus && ::GetClassNameW(focus, cls, 16) && ::lstrcmpiW(cls, L"Edit") == 0)
            ::SendMessageW(focus, message, 0, 0);
    }
}

void CMainFrame::OnMenuSelect(UINT item, UINT flags, HMENU menu) {
    // The prompt of the item under the pointer; "Ready" for a pop-up and once the menu closes.
    const bool closed = flags == 0xFFFF && !menu;
    const bool prompt = !closed && item != 0 && !(flags & (MF_POPUP | MF_SEPARATOR));
    m_statusBar.SetMessageText(
        ui::win32::LoadResourceString(prompt ? item : AFX_IDS_IDLEMESSAGE, true));
}

bool CMainFrame::PreTranslateMessage(MSG& msg) {
    // The frame's accelerators come before the dialog's navigation, which would take the keys.
    if (m_accelerators && m_hWnd && ::TranslateAcceleratorW(m_hWnd, m_accelerators, &msg))
        return true;
    return m_hostView.ProgramDialog().IsDialogMessage(msg);
}

void CMainFrame::AfterMessage(const MSG& msg) {
    if (IsLockKeyMessage(msg.message))
        m_statusBar.UpdateIndicators();
}
