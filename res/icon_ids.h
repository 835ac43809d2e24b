// The icon resources by number, as the dialog templates, the frame and the Windows resource
// script name them.
//
// Threading: constant data.
#pragma once

namespace res {

inline constexpr int IDR_MAINFRAME = 128;    // application icon
inline constexpr int IDI_RESULT_FAIL = 137;  // red lamp
inline constexpr int IDI_RESULT_OK = 138;    // green lamp

}  // namespace res
