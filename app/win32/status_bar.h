// CStatusBar: the frame's status bar, a common-controls status window with four panes: the
// message pane ("Ready", or the prompt of the menu item under the pointer) and the CAP, NUM
// and SCRL indicators of the keyboard's lock keys, which show their text while the key is on.
//
// Threading: GUI thread.
#pragma once

#include <array>
#include <string>

#include "ui/win32/windows_api.h"

class CStatusBar {
  public:
    // Creates the bar at the bottom of `parent` with child id `id`. False when Windows refused.
    bool Create(HWND parent, UINT id);
    // The panes: ID_SEPARATOR (the message pane), then the indicators with these string ids.
    bool SetIndicators(const UINT* ids, int count);
    HWND GetSafeHwnd() const { return m_hWnd; }

    // The message pane's text.
    void SetMessageText(const std::wstring& text);
    // Re-reads the lock keys (GetKeyState) into the indicator panes.
    void UpdateIndicators();
    // Fits the bar to its parent's width and lays out the panes; returns its height.
    int Layout();

  private:
    HWND m_hWnd = nullptr;
    std::array<UINT, 3> m_indicators{};
    int m_count = 0;
};
