// CDC: the drawing calls of the original platform's device context that owner-drawn
// lists use, over a QPainter. Colours are COLORREF words (0x00BBGGRR); coordinates are
// the painter's, in pixels.
//
// A CDC does not own its painter; it lives for one paint on the GUI thread. Like the
// original, it keeps a text colour, a background colour and a background mode that
// TextOut uses.
#pragma once

#include <QColor>
#include <climits>
#include <cstdint>
#include <string_view>

class QPainter;

using COLORREF = uint32_t; // 0x00BBGGRR

struct RECT {
    int left;
    int top;
    int right;
    int bottom;
};

struct TEXTMETRIC {
    int tmHeight;
    int tmAscent;
    int tmDescent;
    int tmAveCharWidth;
    int tmMaxCharWidth;
};

// Background modes of TextOut.
inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;

QColor QColorFromColorRef(COLORREF colour);
COLORREF ColorRefFromQColor(const QColor& colour);

class CDC {
public:
    // Starts with black text on a white opaque background, as a fresh device context.
    explicit CDC(QPainter& painter) : m_painter(painter) {}
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    QPainter& Painter() { return m_painter; }

    // Fills left..right-1, top..bottom-1 with `colour` (a solid brush of that colour).
    void FillRect(const RECT& rect, COLORREF colour);
    // The same; like the original it also makes `colour` the background colour.
    void FillSolidRect(const RECT& rect, COLORREF colour);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF colour);
    // Inverts every other pixel of the rectangle's border; drawing it twice removes it.
    void DrawFocusRect(const RECT& rect);

    COLORREF SetTextColor(COLORREF colour);
    COLORREF GetTextColor() const { return m_textColour; }
    COLORREF SetBkColor(COLORREF colour);
    COLORREF GetBkColor() const { return m_bkColour; }
    int SetBkMode(int mode);
    int GetBkMode() const { return m_bkMode; }

    // Draws `text` (bytes: UTF-8 when valid, else Latin-1) with the top of its character
    // cells at y. In OPAQUE mode the cells are first filled with the background colour.
    bool TextOut(int x, int y, std::string_view text);
    // Width in pixels of `text` in the painter's font.
    int GetTextExtent(std::string_view text) const;
    // The right end of the widest text TextOut drew so far (its x plus the text's width in
    // the painter's font, rounded up), in the painter's coordinates; INT_MIN before any.
    int TextRight() const { return m_textRight; }
    bool GetTextMetrics(TEXTMETRIC& metrics) const;

private:
    QPainter& m_painter;
    COLORREF m_textColour = 0x000000;
    COLORREF m_bkColour = 0xFFFFFF;
    int m_bkMode = OPAQUE;
    int m_textRight = INT_MIN;
};
