// Text between the program's UTF-8 strings and the UTF-16 of the Windows calls that take
// wide text (window texts, message boxes, the file dialog), so that any path or text shows
// as it is, whatever the system's code page.
//
// Threading: plain functions; any thread.
#pragma once

#include <string>
#include <string_view>

#include "ui/win32/windows_api.h"

namespace ui::win32 {

inline std::wstring Widen(std::string_view utf8) {
    if (utf8.empty())
        return {};
    const int n =
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    return wide;
}

inline std::string Narrow(std::wstring_view wide) {
    if (wide.empty())
        return {};
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                        nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), n,
                          nullptr, nullptr);
    return utf8;
}

// String resource `id` of the program (its text up to the first line break when `firstLine`).
inline std::wstring LoadResourceString(UINT id, bool firstLine = false) {
    const wchar_t* text = nullptr;
    // With a zero length the call hands out a pointer into the resource itself.
    const int n =
        ::LoadStringW(::GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    std::wstring s = n > 0 ? std::wstring(text, static_cast<std::size_t>(n)) : std::wstring();
    if (firstLine)
        s = s.substr(0, s.find(L'\n'));
    return s;
}

}  // namespace ui::win32
