// CLogListBox: the coloured log list of a log view. Each item's data word carries its
// text colour (bits 0-23) and its bookmark mark (BOOKMARK_BIT); the list draws the text in
// that colour, a filled square in the left margin of a bookmarked line, and a line that
// holds one of the alert phrases yellow on black. It also adds lines and searches the list
// for the commands.
//
// An extended-selection CListBox over the log view's list model (its core's), which the
// view keeps alive while the list exists; the log view owns the widget (a child). GUI
// thread only.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/Palette.h"
#include "platform/ListBox.h"

class CLogListBox : public CListBox {
    Q_OBJECT

public:
    // The phrases that make a line an alert line, in the order they are tried.
    static constexpr std::string_view kAlertPhrases[] = {"PowerOn reset. Auto startup",
                                                         "tgtdbg application started", "Abnormal Link Loss"};
    // Left of the text: the margin where a bookmark square goes.
    static constexpr int kTextLeft = 15;
    static constexpr int kTextTop = 2;

    // Over `model`, which must outlive the list.
    explicit CLogListBox(DisplayList& model, QWidget* parent = nullptr);
    // Over a model of its own (tests, benchmarks).
    explicit CLogListBox(QWidget* parent = nullptr);

    // Appends a copy of `text` with `itemData` as its data word. Returns the result of setting
    // the data (0), or -1 when the line could not be added.
    int AddLineWithData(std::string_view text, uint32_t itemData);
    // The first item after `start` (-1: from the top; forward only, no wrapping) that
    // contains `text` after its first byte or equals it, ignoring the case of A-Z. -1 if none.
    int FindLine(int start, std::string_view text) const;
    // Whether `text` holds one of the alert phrases after its first byte.
    static bool IsAlertLine(std::string_view text);

protected:
    void DrawItem(QPainter& painter, const ItemPaint& item) override;
    // The font height + 4.
    int MeasureItem(int fontHeight) const override;

private:
    void SetUp();
};
