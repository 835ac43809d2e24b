// EscapeCommFunction's functions for the modem lines, with their Win32 values. A header of its
// own, free of the Win32 constants that comm_device.h names, so that a source which includes
// <windows.h> first may still drive the lines through CSerialPort.
//
// Threading: a type only.
#pragma once

#include "platform/win_types.h"

namespace platform {

enum class LineFunction : DWORD { SetRts = 3, ClearRts = 4, SetDtr = 5, ClearDtr = 6 };

}  // namespace platform
