#include "view/LogListBox.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>

#include "core/ByteText.h"

namespace {

const QColor kAlertText = QColorFromColorRef(g_palette[12]);      // yellow
const QColor kAlertBackground = QColorFromColorRef(g_palette[0]); // black

} // namespace

CLogListBox::CLogListBox(DisplayList& model, QWidget* parent) : CListBox(model, parent) {
    SetUp();
}

CLogListBox::CLogListBox(QWidget* parent) : CListBox(DisplayList::SelectionMode::Extended, parent) {
    SetUp();
}

void CLogListBox::SetUp() {
    // A fixed-pitch font lines up the columns of a log.
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    SetTextMargin(kTextLeft);
}

int CLogListBox::AddLineWithData(std::string_view text, uint32_t itemData) {
    const int index = Model().AddString(text);
    if (index == LB_ERR)
        return -1;
    return Model().SetItemData(index, itemData);
}

int CLogListBox::FindLine(int start, std::string_view text) const {
    return Model().FindLine(start, text);
}

bool CLogListBox::IsAlertLine(std::string_view text) {
    for (const std::string_view phrase : kAlertPhrases) {
        if (bytetext::FoundAfterStart(text, phrase))
            return true;
    }
    return false;
}

void CLogListBox::DrawItem(QPainter& painter, const ItemPaint& item) {
    const QRect& rect = item.rect;
    const uint32_t itemData = item.index >= 0 ? Model().GetItemData(item.index) : 0;
    const bool marked = (itemData & BOOKMARK_BIT) != 0;
    const QColor background = SystemColour(item.selected ? QPalette::Highlight : QPalette::Base);

    painter.fillRect(rect, background);
    if (item.focus)
        DrawFocusRect(painter, rect);
    if (item.index == -1)
        return;

    const QColor foreground =
        item.selected ? SystemColour(QPalette::HighlightedText) : QColorFromColorRef(itemData & COLOUR_MASK);
    const std::string_view text = Model().GetText(item.index);
    QColor textColour = foreground;
    QColor textBackground = background;
    if (IsAlertLine(text)) {
        // Covers the selection colour and the focus rectangle too.
        painter.fillRect(rect, kAlertBackground);
        textColour = kAlertText;
        textBackground = kAlertBackground;
    }
    DrawItemText(painter, rect.left() + kTextLeft, rect.top() + kTextTop, text, textColour, textBackground);
    if (marked) {
        // A square of the row height - 4 in the margin left of the text, in the line's own
        // colour (the selection's text colour when selected), alert or not.
        const int side = rect.height();
        painter.fillRect(QRect(rect.left() + 2, rect.top() + 2, side - 4, side - 4), foreground);
    }
}

int CLogListBox::MeasureItem(int fontHeight) const {
    return fontHeight + 4;
}
