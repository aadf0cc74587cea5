#include "view/LogListBox.h"

#include <QFontDatabase>
#include <QFontMetrics>

#include "loader/Messages.h"
#include "core/ByteText.h"

namespace {

constexpr COLORREF kAlertText = g_palette[12];      // yellow
constexpr COLORREF kAlertBackground = g_palette[0]; // black

} // namespace

CLogListBox::CLogListBox(QWidget* parent) : CListBox(DisplayList::SelectionMode::Extended, parent) {
    // A fixed-pitch font makes the horizontal extent (longest text times one character
    // width) exact for ASCII logs, and columns of a log line up.
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    SetTextMargin(kTextLeft);
}

int CLogListBox::AddLineWithData(std::string_view text, DWORD itemData) {
    const int index = Model().AddString(text);
    if (index == LB_ERR)
        return -1;
    return Model().SetItemData(index, itemData);
}

int CLogListBox::FindLine(int start, std::string_view text) const {
    if (!IsWindow(GetSafeHwnd()))
        return -1;
    return Model().FindLine(start, text);
}

LRESULT CLogListBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == UM_PAINT_ITEM)
        return OnPaintItem(wParam, lParam);
    return CListBox::WindowProc(message, wParam, lParam);
}

LRESULT CLogListBox::OnPaintItem(WPARAM, LPARAM lParam) {
    auto* record = reinterpret_cast<AlertPaint*>(lParam);
    if (!record)
        return 0;
    bool alert = false;
    for (const std::string_view phrase : kAlertPhrases) {
        if (bytetext::FoundAfterStart(record->text, phrase)) {
            alert = true;
            break;
        }
    }
    if (alert) {
        record->dc->SetBkColor(kAlertBackground);
        record->dc->SetTextColor(kAlertText);
        // Covers the selection colour and the focus rectangle too.
        record->dc->FillRect(*record->rect, kAlertBackground);
    } else {
        record->dc->SetBkColor(record->backgroundColour);
        record->dc->SetTextColor(record->textColour);
    }
    delete record;
    return 0;
}

void CLogListBox::DrawItem(DRAWITEMSTRUCT& drawItem) {
    const RECT rect = drawItem.rcItem;
    const int index = drawItem.itemID;
    const DWORD itemData = index >= 0 ? Model().GetItemData(index) : 0;
    const COLORREF lineColour = itemData & COLOUR_MASK;
    const bool marked = (itemData & BOOKMARK_BIT) != 0;
    const bool selected = (drawItem.itemState & ODS_SELECTED) != 0;
    const COLORREF background = GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);

    CDC& dc = *drawItem.pDC;
    dc.FillRect(rect, background);
    if (drawItem.itemState & ODS_FOCUS)
        dc.DrawFocusRect(rect);
    if (index == -1)
        return;

    const COLORREF foreground = selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : lineColour;
    const std::string_view text = Model().GetText(index);
    auto* record = new AlertPaint{&dc, &rect, text, foreground, background};
    const auto lParam = reinterpret_cast<LPARAM>(record);
    if (IsWindow(GetSafeHwnd()))
        SendMessage(GetSafeHwnd(), UM_PAINT_ITEM, selected ? 1 : 0, lParam);
    else
        OnPaintItem(selected ? 1 : 0, lParam); // no handle to send to: the same call, directly

    dc.SetBkMode(OPAQUE);
    dc.TextOut(rect.left + kTextLeft, rect.top + kTextTop, text);
    if (marked) {
        // A square of the row height - 4 in the margin left of the text.
        const int side = rect.bottom - rect.top;
        dc.FillSolidRect(RECT{rect.left + 2, rect.top + 2, rect.left + side - 2, rect.bottom - 2},
                         foreground);
    }
}

void CLogListBox::MeasureItem(MEASUREITEMSTRUCT& measureItem) {
    measureItem.itemHeight = static_cast<UINT>(QFontMetrics(font()).height() + 4);
}
