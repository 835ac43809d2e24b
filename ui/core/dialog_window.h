// The window that shows the programming dialog, as the dialog's core sees it: template 133's
// controls addressed by their ids, each operation the Win32 message or call that a dialog
// procedure would use. A view (Qt widgets, or a Win32 dialog built from the resource) carries
// these out and decides nothing; what to show, enable and ask is the core's.
//
// The view forwards to the core (CRS232SET): WM_INITDIALOG (Create), the control commands
// (OnCommand with the control's id and notification), the job's window messages (WindowProc),
// the main window's close request (OnCloseRequest) and dropped files (OnDropFiles).
//
// Threading: the core calls the window on the thread that owns it (the GUI thread) only.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/message_target.h"
#include "platform/win_types.h"

namespace ui {

// WM_COMMAND notification codes (the high word of wParam), with their Win32 values.
enum class Notify : WORD {
    Clicked = 0,         // BN_CLICKED
    SelChange = 1,       // CBN_SELCHANGE
    EditChange = 0x300,  // EN_CHANGE
};

// One entry of the file dialog's type list: its name and the patterns it matches, separated by
// ';' ("*.bin", "*.hex;*.ihx"). A view shows "name (patterns)". "*.*" is every file.
struct FileFilter {
    const char* name;
    const char* patterns;
};

// What the open-file dialog (CFileDialog, GetOpenFileName) is asked: the types to offer, the
// extension added to a name typed without one, the name shown at first, and the path the
// operator had chosen before (where browsing starts).
struct OpenFileRequest {
    std::span<const FileFilter> filters;
    const char* defaultExtension;
    const char* initialName;
    std::string currentPath;
};

class DialogWindow {
  public:
    virtual ~DialogWindow() = default;

    // The target of the job's messages: the handle StartJob is given. The view delivers what
    // arrives there to CRS232SET::WindowProc on the GUI thread.
    virtual platform::HWND Handle() = 0;

    // Any control.
    virtual void EnableWindow(int id, bool enable) = 0;
    virtual void ShowWindow(int id, bool show) = 0;
    virtual void SetWindowText(int id, std::string_view text) = 0;  // UTF-8
    virtual std::string GetWindowText(int id) = 0;
    virtual void SetToolTip(int id, std::string_view text) = 0;  // empty: none
    // Moves the keyboard focus to `id` without selecting its text (WM_NEXTDLGCTL).
    virtual void SetFocus(int id) = 0;

    // An edit box that shows its text and lets it be selected and copied, but not changed
    // (EM_SETREADONLY).
    virtual void SetReadOnly(int id, bool readOnly) = 0;

    // A drop-down list: CB_ADDSTRING (returns the new entry's index; a sorted list sorts it
    // in), CB_SETCURSEL and CB_GETCURSEL (-1: no selection), and an entry's tool tip.
    virtual int AddString(int id, std::string_view text) = 0;
    virtual void SetCurSel(int id, int index) = 0;
    virtual int GetCurSel(int id) = 0;
    virtual void SetItemToolTip(int id, int index, std::string_view text) = 0;

    // A progress bar: PBM_SETRANGE32 and PBM_SETPOS, which clamps the position to the range.
    virtual void SetRange32(int id, int low, int high) = 0;
    virtual void SetPos(int id, int pos) = 0;

    // An icon static: STM_SETICON with the icon resource `icon`.
    virtual void SetIcon(int id, int icon) = 0;

    // Modal, on the dialog's thread, serving the job's messages while open. A box titled with
    // the application's name, Yes and No buttons (No the default): true for Yes.
    virtual bool AskYesNo(std::string_view question) = 0;
    // The open-file dialog centred on the main window: the chosen file's full path, or
    // nothing when cancelled.
    virtual std::optional<std::string> GetOpenFileName(const OpenFileRequest& request) = 0;
};

}  // namespace ui
