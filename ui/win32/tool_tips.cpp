#include "ui/win32/tool_tips.h"

#include <cwchar>

namespace ui::win32 {

namespace {

constexpr UINT_PTR kListSubclass = 1;

}  // namespace

ToolTips::~ToolTips() {
    Destroy();
}

void ToolTips::Destroy() {
    for (const auto& [list, items] : m_items) {
        if (::IsWindow(list))
            ::RemoveWindowSubclass(list, &ToolTips::ListProc, kListSubclass);
    }
    m_items.clear();
    m_texts.clear();
    if (m_tips)
        ::DestroyWindow(m_tips);
    m_tips = nullptr;
}

bool ToolTips::EnsureWindow() {
    if (m_tips || !m_dialog)
        return m_tips != nullptr;
    // Shown also while the window is inactive; an '&' in a path is a character like any other.
    m_tips = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                               WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_dialog, nullptr,
                               ::GetModuleHandleW(nullptr), nullptr);
    return m_tips != nullptr;
}

TOOLINFOW ToolTips::Tool(HWND control) const {
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    // The tool is the control's whole window; the tool tip watches its mouse messages itself.
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = m_dialog;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    return tool;
}

HWND ToolTips::DroppedList(HWND combo) {
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    return ::GetComboBoxInfo(combo, &info) ? info.hwndList : nullptr;
}

void ToolTips::Set(HWND control, const std::wstring& text) {
    if (!control)
        return;
    const auto it = m_texts.find(control);
    // The path's tip is set again at each refresh of the dialog's texts: only a change costs.
    if (it != m_texts.end() && it->second == text)
        return;
    if (text.empty()) {
        if (it != m_texts.end()) {
            TOOLINFOW tool = Tool(control);
            ::SendMessageW(m_tips, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
            m_texts.erase(it);
        }
        return;
    }
    if (!EnsureWindow())
        return;
    TOOLINFOW tool = Tool(control);
    tool.lpszText = const_cast<wchar_t*>(text.c_str());
    ::SendMessageW(m_tips, it == m_texts.end() ? TTM_ADDTOOLW : TTM_UPDATETIPTEXTW, 0,
                   reinterpret_cast<LPARAM>(&tool));
    m_texts[control] = text;
}

void ToolTips::SetItem(HWND combo, int index, std::wstring text) {
    const HWND list = DroppedList(combo);
    if (!list || index < 0 || !EnsureWindow())
        return;
    auto [it, added] = m_items.try_emplace(list);
    if (added) {
        // The text is asked for when the tip shows (TTN_GETDISPINFOW): the entry under the
        // pointer's.
        TOOLINFOW tool = Tool(list);
        tool.lpszText = LPSTR_TEXTCALLBACKW;
        ::SendMessageW(m_tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        ::SetWindowSubclass(list, &ToolTips::ListProc, kListSubclass,
                            reinterpret_cast<DWORD_PTR>(this));
    }
    std::vector<std::wstring>& texts = it->second.texts;
    if (texts.size() <= static_cast<std::size_t>(index))
        texts.resize(static_cast<std::size_t>(index) + 1);
    texts[static_cast<std::size_t>(index)] = std::move(text);
}

bool ToolTips::OnNotify(const NMHDR& header) {
    if (!m_tips || header.hwndFrom != m_tips || header.code != TTN_GETDISPINFOW)
        return false;
    const auto it = m_items.find(reinterpret_cast<HWND>(header.idFrom));
    if (it == m_items.end())
        return false;
    // The notification is the tool tip's own structure, which it asks us to fill in.
    auto& info = const_cast<NMTTDISPINFOW&>(reinterpret_cast<const NMTTDISPINFOW&>(header));
    ItemTips& items = it->second;
    items.shown = ItemUnderPointer(it->first);
    static wchar_t none[] = L"";
    info.hinst = nullptr;
    info.lpszText = items.shown >= 0 && static_cast<std::size_t>(items.shown) < items.texts.size()
                        ? items.texts[static_cast<std::size_t>(items.shown)].data()
                        : none;
    return true;
}

int ToolTips::ItemUnderPointer(HWND list) {
    POINT pt{};
    if (!::GetCursorPos(&pt) || !::ScreenToClient(list, &pt))
        return -1;
    const auto hit = static_cast<DWORD>(
        ::SendMessageW(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(pt.x & 0xFFFF, pt.y & 0xFFFF)));
    // The high word is 1 when the point lies outside the list's client area.
    return HIWORD(hit) ? -1 : static_cast<int>(LOWORD(hit));
}

LRESULT CALLBACK ToolTips::ListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                    DWORD_PTR data) {
    auto* self = reinterpret_cast<ToolTips*>(data);
    if (msg == WM_MOUSEMOVE) {
        const auto it = self->m_items.find(hwnd);
        if (it != self->m_items.end() && it->second.shown != ItemUnderPointer(hwnd)) {
            // Another entry: the shown tip goes, and the tool tip is told the pointer left the
            // list, so that this move over it starts the wait for the new entry's tip.
            it->second.shown = -1;
            ::SendMessageW(self->m_tips, TTM_POP, 0, 0);
            MSG away{
                self->m_dialog, WM_MOUSEMOVE, 0, 0, static_cast<DWORD>(::GetMessageTime()), {}};
            ::SendMessageW(self->m_tips, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&away));
        }
    } else if (msg == WM_NCDESTROY) {
        ::RemoveWindowSubclass(hwnd, &ToolTips::ListProc, kListSubclass);
        self->m_items.erase(hwnd);
    }
    return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

std::wstring ToolTips::Text(HWND control) const {
    if (!m_tips || !m_texts.contains(control))
        return {};
    // As the tool tip window holds it.
    std::wstring text(32768, L'\0');
    TOOLINFOW tool = Tool(control);
    tool.lpszText = text.data();
    ::SendMessageW(m_tips, TTM_GETTEXTW, text.size(), reinterpret_cast<LPARAM>(&tool));
    text.resize(std::wcslen(text.c_str()));
    return text;
}

std::wstring ToolTips::ItemText(HWND combo, int index) const {
    const auto it = m_items.find(DroppedList(combo));
    if (it == m_items.end() || index < 0 ||
        static_cast<std::size_t>(index) >= it->second.texts.size())
        return {};
    return it->second.texts[static_cast<std::size_t>(index)];
}

}  // namespace ui::win32
