// The window procedure of a window that is a C++ object. The object passed to CreateWindowExW
// rides in the window's user data from WM_NCCREATE on, learns its handle there and gets each
// message through its handler; at WM_NCDESTROY it lets go of the window. Before WM_NCCREATE and
// after WM_NCDESTROY the default procedure answers.
//
// Threading: GUI thread, as every window procedure.
#pragma once

#include <windows.h>

template <typename T, HWND T::*Handle, LRESULT (T::*Handler)(UINT, WPARAM, LPARAM)>
LRESULT CALLBACK ObjectWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<T*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->*Handle = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<T*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self)
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->*Handle = nullptr;
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    return (self->*Handler)(msg, wParam, lParam);
}
