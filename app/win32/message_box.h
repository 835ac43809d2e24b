// The desktop program's message box on Windows: MessageBox with the exclamation icon and an
// OK button, titled with the application's name ("Kven"), modal to the main window. Details
// go beneath the text after an empty line. The box's modal loop keeps serving the messages
// that the job's threads send and post to the dialog.
//
// Threading: installed, used and removed on the GUI thread (the job's boxes are shown on its
// dialog's thread).
#pragma once

#include "ui/win32/windows_api.h"

class Win32MessageBoxHook {
  public:
    // Boxes are owned by `*owner` when it is a window (read at each box).
    explicit Win32MessageBoxHook(const HWND* owner);
    ~Win32MessageBoxHook();
    Win32MessageBoxHook(const Win32MessageBoxHook&) = delete;
    Win32MessageBoxHook& operator=(const Win32MessageBoxHook&) = delete;

  private:
    platform::MessageBoxHook m_previous;
};
