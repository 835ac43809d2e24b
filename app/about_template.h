// Dialog template 100, the About box: a pop-up with a caption, 191 x 71 dialog units, in the
// shell font.
//
// Threading: constant data.
#pragma once

#include "res/icon_ids.h"
#include "ui/core/dialog_template.h"

inline constexpr int IDD_ABOUTBOX = 100;

namespace about_detail {
using namespace ui;
using namespace ui::style;

inline constexpr int IDC_OK = 1;

inline constexpr std::array<ControlTemplate, 3> kAboutControls{{
    {IDC_STATIC,
     ControlClass::Static,
     nullptr,
     WS_VISIBLE | SS_ICON,
     {11, 17, 20, 20},
     res::IDR_MAINFRAME},
    {IDC_STATIC,
     ControlClass::Static,
     "KVEN Version 0.1",
     WS_VISIBLE | SS_LEFT | SS_NOPREFIX | WS_GROUP,
     {45, 17, 70, 8}},
    {IDC_OK,
     ControlClass::Button,
     "OK",
     WS_VISIBLE | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP,
     {134, 7, 50, 16}},
}};
}  // namespace about_detail

inline constexpr ui::DialogTemplate kAboutTemplate{
    191, 71, "About KVEN", "MS Shell Dlg", 9, about_detail::kAboutControls};
