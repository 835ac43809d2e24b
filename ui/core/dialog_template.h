// Dialog templates as data: each control's id, class, text, style and rectangle in dialog
// units, in template order (which is also the tab order).
//
// Threading: constant data, readable from any thread.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace ui {

// The Win32 style bits that the templates use, by their usual names and values.
namespace style {
inline constexpr std::uint32_t WS_VISIBLE = 0x10000000;
inline constexpr std::uint32_t WS_DISABLED = 0x08000000;
inline constexpr std::uint32_t WS_BORDER = 0x00800000;
inline constexpr std::uint32_t WS_VSCROLL = 0x00200000;
inline constexpr std::uint32_t WS_GROUP = 0x00020000;
inline constexpr std::uint32_t WS_TABSTOP = 0x00010000;
inline constexpr std::uint32_t BS_PUSHBUTTON = 0x0;
inline constexpr std::uint32_t BS_DEFPUSHBUTTON = 0x1;
inline constexpr std::uint32_t BS_GROUPBOX = 0x7;
inline constexpr std::uint32_t BS_TYPEMASK = 0xF;
inline constexpr std::uint32_t CBS_DROPDOWNLIST = 0x3;
inline constexpr std::uint32_t CBS_SORT = 0x100;
inline constexpr std::uint32_t CBS_NOINTEGRALHEIGHT = 0x400;
inline constexpr std::uint32_t ES_AUTOHSCROLL = 0x80;
inline constexpr std::uint32_t SS_LEFT = 0x0;
inline constexpr std::uint32_t SS_ICON = 0x3;
inline constexpr std::uint32_t SS_TYPEMASK = 0x1F;
inline constexpr std::uint32_t SS_NOPREFIX = 0x80;
}  // namespace style

enum class ControlClass { Button, ComboBox, Edit, Static, Progress };

struct DluRect {
    int x, y, cx, cy;
};

struct ControlTemplate {
    int id;
    ControlClass cls;
    const char* text;  // null for none
    std::uint32_t style;
    DluRect rect;
    int icon = 0;  // icon resource of an SS_ICON static
};

struct DialogTemplate {
    int cx, cy;  // client size in dialog units
    const char* title;
    const char* fontFace;
    int fontPoints;
    std::span<const ControlTemplate> controls;
};

inline constexpr int IDC_STATIC = 65535;

}  // namespace ui
