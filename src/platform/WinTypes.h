// The integer types of the message interface, as the original platform spelled them.
#pragma once

#include <cstdint>

using UINT = uint32_t;
using DWORD = uint32_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

inline constexpr UINT WM_USER = 0x400;
