// CListBox: the program's list box widget. A virtual list over a DisplayList model with
// the original platform's list-box behaviour: fixed-height owner-drawn rows, extended or
// single selection, a caret apart from the selection, a horizontal scroll bar sized to
// the widest text as drawn, and notifications to its owner.
//
// Only the rows in view are painted, and a change of the model costs the widget O(1):
// scroll ranges are brought up to date once per event-loop turn (or at once when a call
// needs them), never per item. So the list stays smooth with tens of millions of items.
//
// The widget owns its model. Everything runs on the GUI thread.
#pragma once

#include <QAbstractScrollArea>
#include <cstdint>
#include <functional>
#include <string_view>
#include <utility>

#include "platform/Dc.h"
#include "core/DisplayList.h"
#include "platform/Window.h"

// Item state bits of DRAWITEMSTRUCT::itemState.
inline constexpr UINT ODS_SELECTED = 0x0001;
inline constexpr UINT ODS_FOCUS = 0x0010;
// DRAWITEMSTRUCT::itemAction: this list always repaints whole items.
inline constexpr UINT ODA_DRAWENTIRE = 0x0001;
inline constexpr UINT ODT_LISTBOX = 2;

// Notification codes sent to the owner.
inline constexpr int LBN_SELCHANGE = 1;
inline constexpr int LBN_DBLCLK = 2;
inline constexpr int LBN_KILLFOCUS = 5;

// Indices of GetSysColor.
inline constexpr int COLOR_WINDOW = 5;
inline constexpr int COLOR_WINDOWTEXT = 8;
inline constexpr int COLOR_HIGHLIGHT = 13;
inline constexpr int COLOR_HIGHLIGHTTEXT = 14;

struct DRAWITEMSTRUCT {
    UINT CtlType;
    UINT CtlID;
    int itemID; // -1: the list is empty and only the focus is drawn
    UINT itemAction;
    UINT itemState; // ODS_ bits
    HWND hwndItem;
    CDC* pDC;
    RECT rcItem; // in viewport coordinates; left is minus the horizontal scroll offset
    DWORD itemData;
};

struct MEASUREITEMSTRUCT {
    UINT CtlType;
    UINT CtlID;
    int itemID;
    UINT itemWidth;
    UINT itemHeight; // in: a default from the font; out: the row height
    DWORD itemData;
};

class CListBox : public QAbstractScrollArea, public CWnd, private DisplayListObserver {
    Q_OBJECT

public:
    // Receives LBN_ codes: LBN_SELCHANGE after the user changed the selection or moved the
    // caret, LBN_DBLCLK after a double click on an item, LBN_KILLFOCUS when the list lost
    // the focus while it stays shown (not when it or its window is hidden or closed).
    // Changes made through the API are not notified.
    using NotifyHandler = std::function<void(int code)>;

    explicit CListBox(DisplayList::SelectionMode mode = DisplayList::SelectionMode::Extended,
                      QWidget* parent = nullptr);
    ~CListBox() override;

    // The items, their data and selection. Changes made here show at once.
    DisplayList& Model() { return m_list; }
    const DisplayList& Model() const { return m_list; }

    void SetNotifyHandler(NotifyHandler handler) { m_notify = std::move(handler); }
    void SetDlgCtrlID(UINT id) { m_ctrlId = id; }
    UINT GetDlgCtrlID() const { return m_ctrlId; }

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
    // may lie outside the viewport). LB_ERR for a bad index, else 0.
    int GetItemRect(int index, RECT& rect) const;
    // The item under `point` (viewport() coordinates), -1 when there is none.
    int ItemFromPoint(QPoint point) const;
    // The row height MeasureItem asked for.
    int GetItemHeight() const;

    // The space DrawItem leaves before the text (2 by default); the horizontal scroll range
    // is the widest text with that space before and after it.
    void SetTextMargin(int pixels);
    // The system colours, from this widget's palette (active group).
    COLORREF GetSysColor(int index) const;

    // What painting has done so far; benchmarks use it to show that a paint touches only
    // the rows in view.
    struct PaintStats {
        uint64_t paints = 0;
        uint64_t rowsPainted = 0;
        int lastPaintRows = 0;
    };
    const PaintStats& Stats() const { return m_stats; }

protected:
    // Paints one item (or, with itemID -1, the focus of an empty list). The default fills
    // the background in the system colours, draws the focus rectangle and the plain text.
    virtual void DrawItem(DRAWITEMSTRUCT& drawItem);
    // Asked once (and again after a font change) for the height of every row. The
    // default keeps the font height + 2 it is given.
    virtual void MeasureItem(MEASUREITEMSTRUCT& measureItem);

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
    // A paint's TextOut calls reached `textRight` (CDC::TextRight) with the list scrolled
    // by `xOffset`: a text wider than the extent widens it.
    void NotePaintedText(int textRight, int xOffset);
    int LastRowInView() const;
    bool RowsInView(int first, int last) const;
    QRect RowRect(int index) const;
    void RepaintRow(int index);
    void RepaintAll();
    void QueueScrollRangeUpdate();
    void FlushScrollRanges();
    void UpdateScrollRanges();

    // Selection by the user: a click (or drag) on `index`, a key that moves the caret to `index`.
    void ClickItem(int index, Qt::KeyboardModifiers modifiers);
    void DragToItem(int index);
    void MoveCaretByKey(int target, Qt::KeyboardModifiers modifiers);
    int AnchorOrCaret() const;

    // Brackets a user action and sends LBN_SELCHANGE when the action changed anything.
    class UserChange;
    void Notify(int code);

    DisplayList m_list;
    NotifyHandler m_notify;
    UINT m_ctrlId = 0;
    int m_textMargin = 2;
    mutable int m_rowHeight = 0; // 0: not measured yet
    mutable int m_charWidth = 0;
    mutable int m_widest = 0;
    mutable uint64_t m_measuredNoted = 0; // the long items up to this number are in m_widest
    mutable uint64_t m_measuredEpoch = 0;
    bool m_scrollRangesQueued = false;
    bool m_repaintQueued = false;
    bool m_dragging = false;
    PaintStats m_stats;
};
