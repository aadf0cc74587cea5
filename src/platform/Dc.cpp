#include "platform/Dc.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <cmath>

#include "platform/QtText.h"

QColor QColorFromColorRef(COLORREF colour) {
    return QColor(static_cast<int>(colour & 0xff), static_cast<int>((colour >> 8) & 0xff),
                  static_cast<int>((colour >> 16) & 0xff));
}

COLORREF ColorRefFromQColor(const QColor& colour) {
    const QRgb rgb = colour.rgb();
    return static_cast<COLORREF>(qRed(rgb)) | (static_cast<COLORREF>(qGreen(rgb)) << 8) |
           (static_cast<COLORREF>(qBlue(rgb)) << 16);
}

namespace {

QRect ToQRect(const RECT& rect) {
    return QRect(QPoint(rect.left, rect.top), QPoint(rect.right - 1, rect.bottom - 1));
}

} // namespace

void CDC::FillRect(const RECT& rect, COLORREF colour) {
    if (rect.right > rect.left && rect.bottom > rect.top)
        m_painter.fillRect(ToQRect(rect), QColorFromColorRef(colour));
}

void CDC::FillSolidRect(const RECT& rect, COLORREF colour) {
    m_bkColour = colour;
    FillRect(rect, colour);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF colour) {
    FillSolidRect(RECT{x, y, x + cx, y + cy}, colour);
}

void CDC::DrawFocusRect(const RECT& rect) {
    if (rect.right <= rect.left || rect.bottom <= rect.top)
        return;
    // A checkerboard of inverted pixels along the border. Each border pixel is listed
    // once, so the inversion is exact and a second call restores what was there.
    QPolygon points;
    const auto add = [&](int x, int y) {
        if (((x + y) & 1) == ((rect.left + rect.top) & 1))
            points << QPoint(x, y);
    };
    const int right = rect.right - 1;
    const int bottom = rect.bottom - 1;
    for (int x = rect.left; x <= right; ++x) {
        add(x, rect.top);
        if (bottom != rect.top)
            add(x, bottom);
    }
    for (int y = rect.top + 1; y < bottom; ++y) {
        add(rect.left, y);
        if (right != rect.left)
            add(right, y);
    }
    m_painter.save();
    m_painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    m_painter.setPen(QPen(Qt::white, 0));
    m_painter.drawPoints(points);
    m_painter.restore();
}

COLORREF CDC::SetTextColor(COLORREF colour) {
    const COLORREF old = m_textColour;
    m_textColour = colour;
    return old;
}

COLORREF CDC::SetBkColor(COLORREF colour) {
    const COLORREF old = m_bkColour;
    m_bkColour = colour;
    return old;
}

int CDC::SetBkMode(int mode) {
    const int old = m_bkMode;
    m_bkMode = mode;
    return old;
}

bool CDC::TextOut(int x, int y, std::string_view text) {
    const QString shown = ToDisplayString(text);
    const QFontMetrics metrics(m_painter.font());
    // One layout of the text gives both the cells to fill (its width rounded, as the
    // integer metrics give it) and how far the drawn glyphs may reach (rounded up).
    const qreal advance = shown.isEmpty() ? 0 : QFontMetricsF(m_painter.font()).horizontalAdvance(shown);
    m_textRight = std::max(m_textRight, x + static_cast<int>(std::ceil(advance)));
    if (m_bkMode == OPAQUE && !shown.isEmpty())
        m_painter.fillRect(QRect(x, y, qRound(advance), metrics.height()), QColorFromColorRef(m_bkColour));
    m_painter.setPen(QColorFromColorRef(m_textColour));
    m_painter.drawText(x, y + metrics.ascent(), shown);
    return true;
}

int CDC::GetTextExtent(std::string_view text) const {
    return QFontMetrics(m_painter.font()).horizontalAdvance(ToDisplayString(text));
}

bool CDC::GetTextMetrics(TEXTMETRIC& metrics) const {
    const QFontMetrics font(m_painter.font());
    metrics.tmHeight = font.height();
    metrics.tmAscent = font.ascent();
    metrics.tmDescent = font.descent();
    metrics.tmAveCharWidth = font.averageCharWidth();
    metrics.tmMaxCharWidth = font.maxWidth();
    return true;
}
