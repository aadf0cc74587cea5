// The sixteen fixed line colours and the layout of a log-list item's data word.
#pragma once

#include <array>
#include <cstdint>

using COLORREF = uint32_t; // 0x00BBGGRR

constexpr COLORREF RGB(uint32_t r, uint32_t g, uint32_t b) {
    return r | (g << 8) | (b << 16);
}
constexpr uint32_t GetRValue(COLORREF c) {
    return c & 0xff;
}
constexpr uint32_t GetGValue(COLORREF c) {
    return (c >> 8) & 0xff;
}
constexpr uint32_t GetBValue(COLORREF c) {
    return (c >> 16) & 0xff;
}

inline constexpr std::array<COLORREF, 16> g_palette = {
    0x000000, 0xFFFFFF, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000,
    0xC0C0C0, 0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00,
};

// The palette entry of a colour index; an index outside 0..15 gives entry 0 (black).
constexpr COLORREF PaletteColour(int colourIndex) {
    return (colourIndex >= 0 && colourIndex < static_cast<int>(g_palette.size()))
               ? g_palette[static_cast<size_t>(colourIndex)]
               : g_palette[0];
}

// Item data word of the log list: bits 0-23 the text colour, bit 24 the bookmark mark.
inline constexpr uint32_t COLOUR_MASK = 0x00FFFFFF;
inline constexpr uint32_t BOOKMARK_BIT = 0x01000000;
