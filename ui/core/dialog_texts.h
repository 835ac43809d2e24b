// The dialog's own texts beyond its template and the job's: tool tips and its one question.
//
// Threading: constant data.
#pragma once

namespace ui {

inline constexpr const char* kCloseQuestion = "A job is running. Stop it and close the program?";

inline constexpr const char* kTipProgram =
    "Erase the chip, write the image and verify it, then send the checksum table";
inline constexpr const char* kTipEepSum =
    "Send the image's checksum table only; nothing is erased or written";
inline constexpr const char* kTipLoad = "Choose the image file (or drop one on the window)";

// The tool tip of a COM number that names no device.
inline constexpr const char* kTipNoDevice = "No device";

}  // namespace ui
