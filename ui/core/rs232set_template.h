// Dialog template 133, the programming dialog: a borderless child, 290 x 163 dialog units.
//
// Threading: constant data.
#pragma once

#include "ui/core/dialog_template.h"

namespace ui {

inline constexpr int IDD_RS232SET = 133;

// The lamps of the result icon 1029.
inline constexpr int IDI_RESULT_FAIL = 137;  // red: failure
inline constexpr int IDI_RESULT_OK = 138;    // green: success

inline constexpr int IDC_PROGRAM = 1;  // the dialog's OK id
inline constexpr int IDC_BAUDRATE = 1000;
inline constexpr int IDC_PORT = 1001;
inline constexpr int IDC_PARITY = 1003;
inline constexpr int IDC_STOPBITS = 1004;
inline constexpr int IDC_DATABITS = 1019;
inline constexpr int IDC_FILE = 1020;
inline constexpr int IDC_LOAD = 1021;
inline constexpr int IDC_PROGRESS = 1023;
inline constexpr int IDC_STATUS = 1025;
inline constexpr int IDC_LDVER = 1026;
inline constexpr int IDC_CHECKSUM = 1027;
inline constexpr int IDC_PROGRAM_NOTE = 1028;
inline constexpr int IDC_RESULT = 1029;
inline constexpr int IDC_EEPSUM = 1030;
inline constexpr int IDC_EEPSUM_NOTE = 1031;

namespace rs232set_detail {
using namespace style;
using enum ControlClass;
inline constexpr std::uint32_t V = WS_VISIBLE;
inline constexpr std::uint32_t kList = V | CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
inline constexpr std::uint32_t kLabel = V | SS_LEFT | WS_GROUP;

inline constexpr std::array<ControlTemplate, 22> kControls{{
    {IDC_PROGRAM, Button, "Program", V | BS_DEFPUSHBUTTON | WS_TABSTOP, {16, 107, 50, 14}},
    {IDC_LOAD, Button, "LOAD", V | BS_PUSHBUTTON | WS_TABSTOP, {16, 66, 50, 14}},
    {IDC_BAUDRATE, ComboBox, nullptr, kList, {74, 30, 45, 88}},
    {IDC_STATIC, Button, "COM Option", V | BS_GROUPBOX, {5, 7, 280, 49}},
    {IDC_STATIC, Static, "Port:", kLabel, {18, 17, 38, 11}},
    {IDC_STATIC, Static, "Baud Rate:", kLabel, {74, 17, 38, 11}},
    {IDC_STATIC, Static, "Data Bits:", kLabel, {130, 17, 38, 11}},
    {IDC_STATIC, Static, "Parity:", kLabel, {170, 17, 38, 11}},
    {IDC_STATIC, Static, "Stop Bits:", kLabel, {220, 17, 38, 11}},
    {IDC_PARITY, ComboBox, nullptr, kList, {170, 30, 39, 54}},
    {IDC_PORT, ComboBox, nullptr, kList | CBS_NOINTEGRALHEIGHT, {18, 30, 45, 97}},
    {IDC_STOPBITS, ComboBox, nullptr, kList, {220, 30, 29, 56}},
    {IDC_DATABITS, ComboBox, nullptr, kList | CBS_SORT, {130, 30, 29, 58}},
    {IDC_FILE, Edit, nullptr, V | WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP, {96, 67, 189, 12}},
    // Hidden until a job runs.
    {IDC_PROGRESS, Progress, nullptr, WS_BORDER, {75, 109, 120, 8}},
    {IDC_STATUS, Edit, nullptr, V | WS_DISABLED | WS_BORDER | ES_AUTOHSCROLL, {221, 107, 64, 13}},
    {IDC_LDVER, Static, "Static", kLabel, {221, 85, 64, 8}},
    {IDC_CHECKSUM, Static, "Static", kLabel, {74, 85, 64, 8}},
    {IDC_PROGRAM_NOTE, Static, "( Erase+Write+Verify+Checksum )", kLabel, {70, 108, 106, 9}},
    {IDC_RESULT, Static, nullptr, V | SS_ICON, {194, 104, 20, 20}, IDI_RESULT_OK},
    {IDC_EEPSUM, Button, "EEP Sum", V | BS_PUSHBUTTON | WS_TABSTOP, {16, 127, 50, 14}},
    {IDC_EEPSUM_NOTE, Static, "( Program EEP Checksum )", kLabel, {71, 130, 87, 8}},
}};
}  // namespace rs232set_detail

inline constexpr DialogTemplate kRs232SetTemplate{
    290, 163, nullptr, "Microsoft Sans Serif", 9, rs232set_detail::kControls};

}  // namespace ui
