#include "app/win32/dialog_host_view.h"

#include "app/win32/object_window.h"

namespace {

constexpr wchar_t kClassName[] = L"KvenDialogHostView";

bool RegisterHostViewClass(HINSTANCE instance, WNDPROC proc) {
    WNDCLASSEXW wc{};
    if (::GetClassInfoExW(instance, kClassName, &wc))
        return true;
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    wc.lpszClassName = kClassName;
    return ::RegisterClassExW(&wc) != 0;
}

}  // namespace

bool CDialogHostView::Create(HWND parent, UINT id) {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    if (!RegisterHostViewClass(instance, &CDialogHostView::WindowProc))
        return false;
    // No border of its own: the sunken client edge is its frame.
    return ::CreateWindowExW(WS_EX_CLIENTEDGE, kClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                             parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), instance,
                             this) != nullptr;
}

LRESULT CALLBACK CDialogHostView::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return ObjectWindowProc<CDialogHostView, &CDialogHostView::m_hWnd, &CDialogHostView::OnMessage>(
        hwnd, msg, wParam, lParam);
}

LRESULT CDialogHostView::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_CREATE:
            // The dialog, a borderless child at (0, 0) of the view, shows itself what went
            // wrong if anything does; the view stands either way.
            if (m_programDlg.Create(m_hWnd))
                ::ShowWindow(m_programDlg.GetSafeHwnd(), SW_SHOW);
            return 0;
        case WM_PAINT: {
            // The dialog paints itself; the view only validates what it uncovered.
            PAINTSTRUCT ps;
            ::BeginPaint(m_hWnd, &ps);
            ::EndPaint(m_hWnd, &ps);
            return 0;
        }
        case WM_SETFOCUS:
            if (const HWND dialog = m_programDlg.GetSafeHwnd())
                ::SetFocus(dialog);
            return 0;
        default:
            return ::DefWindowProcW(m_hWnd, msg, wParam, lParam);
    }
}
