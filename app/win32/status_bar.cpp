#include "app/win32/status_bar.h"

#include <commctrl.h>

#include "res/win32/resource.h"
#include "ui/win32/wide_text.h"

namespace {

// The lock key behind each indicator.
int LockKey(UINT indicator) {
    switch (indicator) {
        case ID_INDICATOR_CAPS:
            return VK_CAPITAL;
        case ID_INDICATOR_NUM:
            return VK_NUMLOCK;
        case ID_INDICATOR_SCRL:
            return VK_SCROLL;
        default:
            return 0;
    }
}

}  // namespace

bool CStatusBar::Create(HWND parent, UINT id) {
    m_hWnd = ::CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | CCS_BOTTOM, 0, 0,
                               0, 0, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                               ::GetModuleHandleW(nullptr), nullptr);
    return m_hWnd != nullptr;
}

bool CStatusBar::SetIndicators(const UINT* ids, int count) {
    // The first pane is the message pane (ID_SEPARATOR, 0); up to three indicators follow.
    if (count < 1 || count > 1 + static_cast<int>(m_indicators.size()) || ids[0] != 0)
        return false;
    m_count = count - 1;
    for (int i = 0; i < m_count; ++i)
        m_indicators[static_cast<std::size_t>(i)] = ids[i + 1];
    Layout();
    SetMessageText(ui::win32::LoadResourceString(AFX_IDS_IDLEMESSAGE));
    UpdateIndicators();
    return true;
}

int CStatusBar::Layout() {
    if (!m_hWnd)
        return 0;
    ::SendMessageW(m_hWnd, WM_SIZE, 0, 0);
    RECT bar{};
    ::GetClientRect(m_hWnd, &bar);

    // Each indicator is as wide as its text in the bar's font, with a margin on either side.
    HDC dc = ::GetDC(m_hWnd);
    const auto font = reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
    const HGDIOBJ old = font ? ::SelectObject(dc, font) : nullptr;
    const int margin = 3 * ::GetSystemMetrics(SM_CXEDGE) + 2;
    int widths[3] = {};
    for (int i = 0; i < m_count; ++i) {
        const std::wstring text =
            ui::win32::LoadResourceString(m_indicators[static_cast<std::size_t>(i)]);
        SIZE size{};
        ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        widths[i] = size.cx + 2 * margin;
    }
    if (old)
        ::SelectObject(dc, old);
    ::ReleaseDC(m_hWnd, dc);

    // SB_SETPARTS takes each pane's right edge; the message pane takes what is left.
    int edges[4] = {};
    edges[m_count] = -1;
    int x = bar.right;
    for (int i = m_count; i >= 1; --i) {
        x -= widths[i - 1];
        edges[i - 1] = x;
    }
    ::SendMessageW(m_hWnd, SB_SETPARTS, static_cast<WPARAM>(m_count + 1),
                   reinterpret_cast<LPARAM>(edges));
    RECT window{};
    ::GetWindowRect(m_hWnd, &window);
    return window.bottom - window.top;
}

void CStatusBar::SetMessageText(const std::wstring& text) {
    if (m_hWnd)
        ::SendMessageW(m_hWnd, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void CStatusBar::UpdateIndicators() {
    for (int i = 0; i < m_count; ++i) {
        const UINT id = m_indicators[static_cast<std::size_t>(i)];
        const bool on = (::GetKeyState(LockKey(id)) & 1) != 0;
        const std::wstring text = on ? ui::win32::LoadResourceString(id) : std::wstring();
        ::SendMessageW(m_hWnd, SB_SETTEXTW, static_cast<WPARAM>(i + 1),
                       reinterpret_cast<LPARAM>(text.c_str()));
    }
}
