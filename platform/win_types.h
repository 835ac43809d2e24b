// The few Win32 scalar types and constants that the ported logic keeps by name. They are the
// same types as <windows.h> declares (DWORD is unsigned long there), so a Windows source file
// may include both, this one first: the macros of <windows.h> then stand for the constants.
#pragma once

#include <cstdint>

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
#ifdef _WIN32
using DWORD = unsigned long;
#else
using DWORD = std::uint32_t;
#endif
static_assert(sizeof(DWORD) == 4);
using UINT = unsigned int;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;
inline constexpr UINT WM_NULL = 0x0000;
inline constexpr UINT WM_USER = 0x0400;

constexpr WORD LOWORD(std::uintptr_t v) {
    return static_cast<WORD>(v & 0xFFFF);
}
constexpr WORD HIWORD(std::uintptr_t v) {
    return static_cast<WORD>((v >> 16) & 0xFFFF);
}
