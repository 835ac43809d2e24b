// The tool tips of a dialog's controls: one tool tip window of the common controls, with a
// tool for each control that has a tip, and, for a drop-down list, a tip for each of its
// entries, shown over the dropped-down list for the entry under the pointer. Texts show as
// they are (no '&' prefixes), on one line however long.
//
// Threading: GUI thread, the thread of the dialog.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "ui/win32/windows_api.h"

#include <commctrl.h>

namespace ui::win32 {

class ToolTips {
  public:
    ToolTips() = default;
    ~ToolTips();
    ToolTips(const ToolTips&) = delete;
    ToolTips& operator=(const ToolTips&) = delete;

    // The dialog whose controls get tips; their notifications reach its procedure, which
    // passes them to OnNotify. Created at the first tip.
    void Attach(HWND dialog) { m_dialog = dialog; }
    // Destroys the tool tip window (before the dialog goes).
    void Destroy();

    // The tip of `control`; empty: none.
    void Set(HWND control, const std::wstring& text);
    // The tip of entry `index` of the drop-down list `combo` (entries are given their tips as
    // they are added).
    void SetItem(HWND combo, int index, std::wstring text);

    // WM_NOTIFY of the dialog: true when it was the text of an entry's tip that was asked.
    bool OnNotify(const NMHDR& header);

    // What shows for `control`, and for entry `index` of `combo`.
    std::wstring Text(HWND control) const;
    std::wstring ItemText(HWND combo, int index) const;

  private:
    struct ItemTips {
        std::vector<std::wstring> texts;
        int shown = -1;  // the entry whose tip shows, -1: none
    };

    bool EnsureWindow();
    TOOLINFOW Tool(HWND control) const;
    static HWND DroppedList(HWND combo);
    // The entry of a dropped-down list under the pointer, or -1.
    static int ItemUnderPointer(HWND list);
    static LRESULT CALLBACK ListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR self);

    HWND m_dialog = nullptr;
    HWND m_tips = nullptr;
    // The tip of each control that has one.
    std::map<HWND, std::wstring> m_texts;
    // Per dropped-down list (its list box window), the tips of its entries.
    std::map<HWND, ItemTips> m_items;
};

}  // namespace ui::win32
