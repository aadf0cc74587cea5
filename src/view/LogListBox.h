// CLogListBox: the coloured log list of a log view. Each item's data word carries its
// text colour (bits 0-23) and its bookmark mark (BOOKMARK_BIT); the list draws the text in
// that colour, a filled square in the left margin of a bookmarked line, and a line that
// holds one of the alert phrases yellow on black. It also adds lines, flips bookmark
// marks and searches the list for the commands.
//
// An extended-selection CListBox; the log view owns it (as a child widget) and hands its
// Model() to the view's core. GUI thread only.
#pragma once

#include <string_view>

#include "platform/ListBox.h"
#include "core/Palette.h"

// The record DrawItem sends with UM_PAINT_ITEM. Allocated with new by the sender, deleted by
// the handler; the pointers refer to the sender's objects and hold only during the send.
struct AlertPaint {
    CDC* dc;
    const RECT* rect;
    std::string_view text;
    COLORREF textColour;
    COLORREF backgroundColour;
};

class CLogListBox : public CListBox {
    Q_OBJECT

public:
    // The phrases that make a line an alert line, in the order they are tried.
    static constexpr std::string_view kAlertPhrases[] = {"PowerOn reset. Auto startup",
                                                         "tgtdbg application started", "Abnormal Link Loss"};
    // Left of the text: the margin where a bookmark square goes.
    static constexpr int kTextLeft = 15;
    static constexpr int kTextTop = 2;

    explicit CLogListBox(QWidget* parent = nullptr);

    // Appends a copy of `text` with `itemData` as its data word. Returns the result of setting
    // the data (0), or -1 when the line could not be added.
    int AddLineWithData(std::string_view text, DWORD itemData);
    // The first item after `start` (-1: from the top; forward only, no wrapping) that
    // contains `text` after its first byte or equals it, ignoring the case of A-Z. -1 if none.
    int FindLine(int start, std::string_view text) const;

    // UM_PAINT_ITEM: chooses the colours of the item being drawn; lParam an AlertPaint* it
    // deletes. Returns 0.
    LRESULT OnPaintItem(WPARAM wParam, LPARAM lParam);
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    void DrawItem(DRAWITEMSTRUCT& drawItem) override;
    // The font height + 4.
    void MeasureItem(MEASUREITEMSTRUCT& measureItem) override;
};
