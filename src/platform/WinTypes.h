// The integer types of the message interface, as the original platform spelled them.
#pragma once

#include <cstdint>

using UINT = uint32_t;
using DWORD = uint32_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

inline constexpr UINT WM_USER = 0x400;

// Window messages the frames and views post to themselves: WM_SIZE asks a window to lay
// out its children again, WM_CLOSE to close as if the user had closed it.
inline constexpr UINT WM_SIZE = 0x0005;
inline constexpr UINT WM_CLOSE = 0x0010;

// Platform messages the program sends itself. BM_CLICK goes to a dialog with the id of
// the button to press in wParam (our buttons have no handles of their own).
inline constexpr UINT BM_CLICK = 0x00F5;
// A menu command, accelerator or control notification: LOWORD(wParam) the command id,
// HIWORD(wParam) the notification code (1 for an accelerator).
inline constexpr UINT WM_COMMAND = 0x0111;
constexpr WPARAM MAKEWPARAM(unsigned low, unsigned high) { return (low & 0xffffu) | ((high & 0xffffu) << 16); }
constexpr unsigned LOWORD(WPARAM value) { return static_cast<unsigned>(value & 0xffffu); }
constexpr unsigned HIWORD(WPARAM value) { return static_cast<unsigned>((value >> 16) & 0xffffu); }
