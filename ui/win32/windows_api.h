// <windows.h> for the Win32 front end, after the project's own Win32 names (platform/), which
// its macros (TRUE, IDOK, LOWORD, ...) would otherwise overwrite before they are declared.
// Every Win32 source of the desktop program includes <windows.h> through this header.
#pragma once

#include "platform/message_box.h"
#include "platform/win_types.h"

#include <windows.h>

// The dialog's window operations (ui::DialogWindow) carry these names; <windows.h> would turn
// them into its A functions. The Win32 code calls the W functions by their full names.
#undef GetOpenFileName
#undef GetWindowText
#undef SetWindowText
