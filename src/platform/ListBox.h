// CListBox: the program's list box widget. A virtual list over a DisplayList model with
// the original platform's list-box behaviour: fixed-height owner-drawn rows, extended or
// single selection, a caret apart from the selection, a horizontal scroll bar sized to
// the widest text as drawn, and notifications to its owner.
//
// Only the rows in view are painted, and a change of the model costs the widget O(1):
// scroll ranges are brought up to date once per event-loop turn (or at once when a call
// needs them), never per item, and while changes keep coming (a load hands over a batch
// every few milliseconds) at most about ten times a second: each new range repaints the
// scroll bars. So the list stays smooth with tens of millions of items.
//
// The widget observes a model it is handed, which its owner keeps alive for as long as the
// widget exists (the log view hands it its core's log list); a list built without one
// makes and owns its own. Everything runs on the GUI thread.
#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QElapsedTimer>
#include <QPalette>
#include <QRect>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <utility>

#include "core/DisplayList.h"
#include "core/ListSelection.h"
#include "core/Palette.h"

class QPainter;
class QTimer;

// Notification codes sent to the owner.
inline constexpr int LBN_SELCHANGE = 1;
inline constexpr int LBN_DBLCLK = 2;
inline constexpr int LBN_KILLFOCUS = 5;

// A data word's colour (0x00BBGGRR) as Qt's, and back.
QColor QColorFromColorRef(COLORREF colour);
COLORREF ColorRefFromQColor(const QColor& colour);

class CListBox : public QAbstractScrollArea, private DisplayListObserver {
    Q_OBJECT

public:
    // Receives LBN_ codes: LBN_SELCHANGE after the user changed the selection or moved the
    // caret, LBN_DBLCLK after a double click on an item, LBN_KILLFOCUS when the list lost
    // the focus while it stays shown (not when it or its window is hidden or closed).
    // Changes made through the API are not notified.
    using NotifyHandler = std::function<void(int code)>;

    // A list over `model`.
    explicit CListBox(DisplayList& model, QWidget* parent = nullptr);
    // A list over a model of its own, empty, in `mode`.
    explicit CListBox(DisplayList::SelectionMode mode = DisplayList::SelectionMode::Extended,
                      QWidget* parent = nullptr);
    ~CListBox() override;

    // The items, their data and selection. Changes made here show at once.
    DisplayList& Model() { return m_list; }
    const DisplayList& Model() const { return m_list; }

    void SetNotifyHandler(NotifyHandler handler) { m_notify = std::move(handler); }
    void SetDlgCtrlID(int id) { m_ctrlId = id; }
    int GetDlgCtrlID() const { return m_ctrlId; }

    int GetCount() const { return m_list.GetCount(); }
    // LB_SETCURSEL of a single list (-1: none), scrolling the item into view.
    int SetCurSel(int index);
    int GetCurSel() const { return m_list.GetCurSel(); }
    // Moves the caret to `index` and scrolls it into view; the selection stays.
    int SetCaretIndex(int index);
    int GetCaretIndex() const { return m_list.GetCaretIndex(); }

    // The first item in view; SetTopIndex scrolls (as far as the list allows).
    int GetTopIndex() const;
    int SetTopIndex(int index);
    // Scrolls as little as needed to bring `index` fully into view.
    void EnsureVisible(int index);
    // Rows that fit wholly in the viewport (at least 1).
    int VisibleRowCount() const;

    // The rectangle of item `index` in viewport() coordinates, scrolled as it is now (it
    // may lie outside the viewport); a null rectangle for a bad index.
    QRect GetItemRect(int index) const;
    // The item under `point` (viewport() coordinates), -1 when there is none.
    int ItemFromPoint(QPoint point) const;
    // The row height MeasureItem asked for.
    int GetItemHeight() const;

    // The space DrawItem leaves before the text (2 by default); the horizontal scroll range
    // is the widest text with that space before and after it.
    void SetTextMargin(int pixels);
    // A colour of this widget's palette, from the active group whatever the focus, as the
    // system colours of a list box are.
    QColor SystemColour(QPalette::ColorRole role) const;

    // What painting has done so far; benchmarks use it to show that a paint touches only
    // the rows in view.
    struct PaintStats {
        uint64_t paints = 0;
        uint64_t rowsPainted = 0;
        int lastPaintRows = 0;
    };
    const PaintStats& Stats() const { return m_stats; }

    // Brings the scroll ranges up to date now, when a change of the model is still to reach
    // them (they otherwise follow on the next event-loop turn, or within ~100 ms while
    // changes keep coming).
    void FlushScrollRanges();

protected:
    // One row to paint.
    struct ItemPaint {
        int index;  // -1: the list is empty and only the focus is drawn
        QRect rect; // in viewport coordinates; its left is minus the horizontal scroll
        bool selected;
        bool focus; // the caret, in a list that has the focus
    };
    // Paints one row. The default fills the background in the system colours, draws the
    // plain text and the focus rectangle.
    virtual void DrawItem(QPainter& painter, const ItemPaint& item);
    // The height of every row, asked once (and again after a font change), given the
    // font's height. The default is the font's height + 2.
    virtual int MeasureItem(int fontHeight) const;
    // Draws line bytes (UTF-8 when valid, else Latin-1) in `colour` with the top of their
    // character cells at `top`, the cells filled with `background` first. How far the text
    // reaches widens the horizontal range when it is the widest yet.
    void DrawItemText(QPainter& painter, int left, int top, std::string_view text, const QColor& colour,
                      const QColor& background);
    // The dotted focus frame: every other pixel of the border inverted.
    static void DrawFocusRect(QPainter& painter, const QRect& rect);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // DisplayListObserver
    void ItemsInserted(int first, int count) override;
    void ItemsRemoved(int first, int count) override;
    void ContentReset() override;
    void ItemsChanged(int first, int last) override;
    void CaretChanged(int oldCaret, int newCaret) override;

    int RowHeight() const;
    int CharWidth() const;
    // The width of the widest item drawn, margins included: the long items measured in
    // the list's font, and every text painted so far. Never shrinks until the list starts
    // over or the font changes.
    int HorizontalExtent() const;
    void MeasureLongItems() const;
    // A paint's texts reached `textRight` with the list scrolled by `xOffset`: a text wider
    // than the extent widens it.
    void NotePaintedText(int textRight, int xOffset);
    int LastRowInView() const;
    bool RowsInView(int first, int last) const;
    QRect RowRect(int index) const;
    void RepaintRow(int index);
    void RepaintAll();
    void QueueScrollRangeUpdate();
    // The queued update, run by the event loop or the throttle's timer.
    void RunQueuedScrollRangeUpdate();
    void UpdateScrollRanges();

    // Runs a gesture of the user on the selection (m_selection), then shows `index` (none
    // when -1) and sends LBN_SELCHANGE when the gesture changed anything.
    void SelectByUser(int index, const std::function<void()>& gesture);

    // Brackets a user action and sends LBN_SELCHANGE when the action changed anything.
    class UserChange;
    void Notify(int code);

    std::unique_ptr<DisplayList> m_ownList; // only for a list built without a model
    DisplayList& m_list;
    ListSelection m_selection{m_list};
    NotifyHandler m_notify;
    int m_ctrlId = 0;
    int m_paintedRight = 0; // how far the texts of the paint under way reach
    int m_textMargin = 2;
    mutable int m_rowHeight = 0; // 0: not measured yet
    mutable int m_charWidth = 0;
    mutable int m_widest = 0;
    mutable uint64_t m_measuredNoted = 0; // the long items up to this number are in m_widest
    mutable uint64_t m_measuredEpoch = 0;
    bool m_scrollRangesQueued = false;
    // The throttle of queued range updates: when the last one ran, how many in a row ran
    // closer than the spacing to the one before, and the timer of one held back.
    QElapsedTimer m_lastQueuedRanges;
    int m_rangeBurst = 0;
    QTimer* m_rangeTimer = nullptr;
    bool m_repaintQueued = false;
    bool m_dragging = false;
    PaintStats m_stats;
};
