#include "res/Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

#include "res/FrameResources.h"

namespace res {

namespace {

using Drawing = std::function<void(QPainter&)>;

// Every icon is drawn on a 16 x 16 grid and rendered at 16 and 32 pixels, so it stays
// sharp in the tool bar and in window captions alike.
QIcon Render(const Drawing& draw) {
    QIcon icon;
    for (const int size : {16, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 16.0, size / 16.0);
        draw(painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

const QColor kInk(40, 40, 40);
const QColor kPaper(250, 250, 250);

void Page(QPainter& p, const QRectF& rect) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(kPaper);
    p.drawRect(rect);
}

void TextLine(QPainter& p, qreal x1, qreal x2, qreal y, const QColor& colour) {
    p.setPen(QPen(colour, 1.2, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(x1, y), QPointF(x2, y));
}

void DrawLogPage(QPainter& p) {
    Page(p, QRectF(2.5, 1.5, 11, 13));
    TextLine(p, 4.5, 11.5, 4.5, QColor(0, 128, 0));
    TextLine(p, 4.5, 10.5, 6.5, QColor(128, 128, 128));
    TextLine(p, 4.5, 11.5, 8.5, QColor(255, 0, 0));
    TextLine(p, 4.5, 9.5, 10.5, QColor(128, 0, 128));
    TextLine(p, 4.5, 11.5, 12.5, QColor(0, 128, 0));
}

void DrawDocument(QPainter& p) {
    Page(p, QRectF(2.5, 1.5, 11, 13));
    for (qreal y = 4.5; y < 13; y += 2)
        TextLine(p, 6, 11.5, y, kInk);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 128));
    p.drawRect(QRectF(3.5, 7.5, 2, 2));
}

void DrawOpen(QPainter& p) {
    p.setPen(QPen(QColor(120, 90, 0), 1));
    p.setBrush(QColor(240, 200, 80));
    QPainterPath back;
    back.moveTo(1.5, 13.5);
    back.lineTo(1.5, 3.5);
    back.lineTo(5.5, 3.5);
    back.lineTo(6.5, 4.5);
    back.lineTo(12.5, 4.5);
    back.lineTo(12.5, 13.5);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(QColor(255, 225, 120));
    QPainterPath front;
    front.moveTo(1.5, 13.5);
    front.lineTo(4.0, 7.5);
    front.lineTo(15.0, 7.5);
    front.lineTo(12.5, 13.5);
    front.closeSubpath();
    p.drawPath(front);
}

void DrawFind(QPainter& p) {
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(QColor(200, 225, 250));
    p.drawEllipse(QPointF(6.5, 6.5), 4.2, 4.2);
    p.setPen(QPen(kInk, 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(9.8, 9.8), QPointF(14, 14));
}

void DrawCopy(QPainter& p) {
    Page(p, QRectF(1.5, 1.5, 8, 10));
    TextLine(p, 3, 8, 4.5, kInk);
    TextLine(p, 3, 8, 6.5, kInk);
    Page(p, QRectF(6.5, 4.5, 8, 10));
    TextLine(p, 8, 13, 7.5, kInk);
    TextLine(p, 8, 13, 9.5, kInk);
    TextLine(p, 8, 13, 11.5, kInk);
}

void DrawClearSelection(QPainter& p) {
    Page(p, QRectF(1.5, 1.5, 11, 13));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(50, 100, 200));
    p.drawRect(QRectF(2, 5, 10, 3));
    p.setPen(QPen(QColor(200, 0, 0), 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(9, 9), QPointF(14.5, 14.5));
    p.drawLine(QPointF(14.5, 9), QPointF(9, 14.5));
}

void DrawPrint(QPainter& p) {
    Page(p, QRectF(4.5, 1.5, 7, 5));
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(170, 170, 170));
    p.drawRoundedRect(QRectF(1.5, 6.5, 13, 6), 1, 1);
    Page(p, QRectF(4.5, 10.5, 7, 4));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 160, 0));
    p.drawRect(QRectF(12, 8, 1.5, 1.5));
}

void DrawAbout(QPainter& p) {
    p.setPen(QPen(QColor(0, 40, 120), 1));
    p.setBrush(QColor(40, 90, 200));
    p.drawEllipse(QPointF(8, 8), 6.8, 6.8);
    QFont font = p.font();
    font.setPixelSize(11);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(1, 1, 14, 14), Qt::AlignCenter, QStringLiteral("?"));
}

// Lines running down to the last one, which an arrow points at.
void DrawFollow(QPainter& p) {
    Page(p, QRectF(2.5, 1.5, 11, 13));
    TextLine(p, 4.5, 11.5, 3.5, QColor(128, 128, 128));
    TextLine(p, 4.5, 10.5, 5.5, QColor(128, 128, 128));
    TextLine(p, 4.5, 11.5, 12.5, QColor(0, 0, 128));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 128, 0));
    QPainterPath arrow;
    arrow.moveTo(7, 6.5);
    arrow.lineTo(9, 6.5);
    arrow.lineTo(9, 8.5);
    arrow.lineTo(11, 8.5);
    arrow.lineTo(8, 11.2);
    arrow.lineTo(5, 8.5);
    arrow.lineTo(7, 8.5);
    arrow.closeSubpath();
    p.drawPath(arrow);
}

} // namespace

QIcon MainFrameIcon() {
    return Render(DrawLogPage);
}

QIcon DocumentIcon() {
    return Render(DrawDocument);
}

QIcon ToolBarIcon(int id) {
    switch (id) {
    case ID_VIEW_FOLLOW:
        return Render(DrawFollow);
    case ID_FILE_OPEN:
        return Render(DrawOpen);
    case ID_EDIT_FIND:
        return Render(DrawFind);
    case ID_EDIT_COPY:
        return Render(DrawCopy);
    case ID_EDIT_CLEAR:
        return Render(DrawClearSelection);
    case ID_FILE_PRINT:
        return Render(DrawPrint);
    case ID_APP_ABOUT:
        return Render(DrawAbout);
    default:
        return {};
    }
}

} // namespace res
