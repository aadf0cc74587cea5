#include "platform/ListBox.h"

#include <cmath>

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygon>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <climits>

#include "platform/QtText.h"

// What a user action may change; compared before and after to decide on LBN_SELCHANGE.
class CListBox::UserChange {
public:
    explicit UserChange(const CListBox& list)
        : m_list(list), m_stamp(list.m_list.SelectionStamp()), m_caret(list.m_list.GetCaretIndex()) {}
    bool Changed() const {
        return m_list.m_list.SelectionStamp() != m_stamp || m_list.m_list.GetCaretIndex() != m_caret;
    }

private:
    const CListBox& m_list;
    uint64_t m_stamp;
    int m_caret;
};

QColor QColorFromColorRef(COLORREF colour) {
    return QColor(static_cast<int>(colour & 0xff), static_cast<int>((colour >> 8) & 0xff),
                  static_cast<int>((colour >> 16) & 0xff));
}

COLORREF ColorRefFromQColor(const QColor& colour) {
    const QRgb rgb = colour.rgb();
    return static_cast<COLORREF>(qRed(rgb)) | (static_cast<COLORREF>(qGreen(rgb)) << 8) |
           (static_cast<COLORREF>(qBlue(rgb)) << 16);
}

CListBox::CListBox(DisplayList::SelectionMode mode, QWidget* parent)
    : CListBox(*new DisplayList(mode), parent) {
    // The delegated constructor observes the new model; this list owns it too.
    m_ownList.reset(&m_list);
}

CListBox::CListBox(DisplayList& model, QWidget* parent) : QAbstractScrollArea(parent), m_list(model) {
    m_list.SetObserver(this);
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Every pixel of the viewport is painted by paintEvent.
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    m_rangeTimer = new QTimer(this);
    m_rangeTimer->setSingleShot(true);
    connect(m_rangeTimer, &QTimer::timeout, this, &CListBox::RunQueuedScrollRangeUpdate);
    QueueScrollRangeUpdate();
}

CListBox::~CListBox() {
    m_list.SetObserver(nullptr);
}

// ---- geometry ------------------------------------------------------------------------

int CListBox::RowHeight() const {
    if (m_rowHeight <= 0) {
        // Measured lazily: a derived class's MeasureItem cannot be reached from the
        // constructor, and the font may still change before the first paint.
        m_rowHeight = std::clamp(MeasureItem(fontMetrics().height()), 1, 4096);
    }
    return m_rowHeight;
}

int CListBox::CharWidth() const {
    if (m_charWidth <= 0) {
        const QFontMetrics metrics = fontMetrics();
        m_charWidth = std::max({1, metrics.averageCharWidth(), metrics.horizontalAdvance(QLatin1Char('x'))});
    }
    return m_charWidth;
}

int CListBox::HorizontalExtent() const {
    MeasureLongItems();
    return std::max(m_widest, 0);
}

void CListBox::MeasureLongItems() const {
    if (m_measuredEpoch != m_list.ContentEpoch()) {
        m_measuredEpoch = m_list.ContentEpoch();
        m_measuredNoted = 0;
        m_widest = 0;
    }
    if (m_measuredNoted == m_list.LongItemsNoted())
        return;
    // Only the longest items by bytes are measured, each once: appending stays O(1) and a
    // load of millions of lines measures a few hundred of them. An item of fewer bytes may
    // still render wider (tabs, wide characters); painting measures those (NotePaintedText).
    const QFontMetricsF metrics(font());
    const int margin = std::max(m_textMargin, 0);
    for (const DisplayList::LongItem& item : m_list.LongItems()) {
        if (item.noted <= m_measuredNoted)
            continue;
        const qreal width = metrics.horizontalAdvance(ToDisplayString(m_list.GetText(item.index)));
        const qreal extent = std::min<qreal>(std::ceil(width) + 2.0 * margin, INT_MAX / 2);
        m_widest = std::max(m_widest, static_cast<int>(extent));
    }
    m_measuredNoted = m_list.LongItemsNoted();
}

void CListBox::NotePaintedText(int textRight, int xOffset) {
    if (textRight == INT_MIN)
        return;
    // textRight is in viewport coordinates, where the list's left edge lies at -xOffset.
    const int64_t extent = int64_t{textRight} + xOffset + std::max(m_textMargin, 0);
    const int clipped = static_cast<int>(std::min<int64_t>(extent, INT_MAX / 2));
    MeasureLongItems();
    if (clipped > m_widest) {
        m_widest = clipped;
        QueueScrollRangeUpdate();
    }
}

int CListBox::VisibleRowCount() const {
    return std::max(1, viewport()->height() / RowHeight());
}

int CListBox::GetTopIndex() const {
    return std::clamp(verticalScrollBar()->value(), 0, std::max(GetCount() - 1, 0));
}

int CListBox::LastRowInView() const {
    return GetTopIndex() + viewport()->height() / RowHeight();
}

bool CListBox::RowsInView(int first, int last) const {
    return last >= GetTopIndex() && first <= LastRowInView();
}

QRect CListBox::RowRect(int index) const {
    const int height = RowHeight();
    return QRect(0, (index - GetTopIndex()) * height, viewport()->width(), height);
}

QRect CListBox::GetItemRect(int index) const {
    if (index < 0 || index >= GetCount())
        return {};
    const int height = RowHeight();
    const int xOffset = horizontalScrollBar()->value();
    const int top = (index - GetTopIndex()) * height;
    return QRect(-xOffset, top, std::max(viewport()->width(), HorizontalExtent()), height);
}

int CListBox::ItemFromPoint(QPoint point) const {
    if (point.x() < 0 || point.y() < 0 || point.x() >= viewport()->width() ||
        point.y() >= viewport()->height())
        return -1;
    const int index = GetTopIndex() + point.y() / RowHeight();
    return index < GetCount() ? index : -1;
}

int CListBox::GetItemHeight() const {
    return RowHeight();
}

void CListBox::SetTextMargin(int pixels) {
    m_textMargin = pixels;
    m_measuredNoted = 0;
    m_widest = 0;
    QueueScrollRangeUpdate();
}

QColor CListBox::SystemColour(QPalette::ColorRole role) const {
    return palette().color(QPalette::Active, role);
}

// ---- scrolling -----------------------------------------------------------------------

namespace {

// Queued range updates closer together than this are a burst; past its first few, a
// burst's updates wait for the spacing. A new range repaints both scroll bars, which costs
// about as much as taking a batch of a load's lines in.
constexpr qint64 kRangeSpacingMs = 100;
constexpr int kRangeBurstAtOnce = 8;

} // namespace

void CListBox::QueueScrollRangeUpdate() {
    if (m_scrollRangesQueued)
        return;
    m_scrollRangesQueued = true;
    // Loading appends millions of items between two turns of the event loop; the scroll
    // bars hear of them once. A change after a quiet spell (the user's, or a test's that
    // turns the loop once) shows on the next turn; so do the first few of a burst.
    const qint64 since = m_lastQueuedRanges.isValid() ? m_lastQueuedRanges.elapsed() : kRangeSpacingMs;
    if (since >= kRangeSpacingMs)
        m_rangeBurst = 0;
    if (m_rangeBurst < kRangeBurstAtOnce) {
        QMetaObject::invokeMethod(this, &CListBox::RunQueuedScrollRangeUpdate, Qt::QueuedConnection);
        return;
    }
    m_rangeTimer->start(static_cast<int>(kRangeSpacingMs - since));
}

void CListBox::RunQueuedScrollRangeUpdate() {
    if (!m_scrollRangesQueued)
        return; // brought up to date since (a flush)
    // An update held back by the timer runs the spacing after the one before: the burst
    // goes on. Only a request after a quiet spell starts a new one.
    if (m_lastQueuedRanges.isValid() && m_lastQueuedRanges.elapsed() <= kRangeSpacingMs)
        m_rangeBurst = std::min(m_rangeBurst + 1, kRangeBurstAtOnce);
    m_lastQueuedRanges.start();
    UpdateScrollRanges();
}

void CListBox::FlushScrollRanges() {
    if (m_scrollRangesQueued)
        UpdateScrollRanges();
}

void CListBox::UpdateScrollRanges() {
    m_scrollRangesQueued = false;
    m_rangeTimer->stop();
    // The vertical bar counts rows: its value is the top index, and the list scrolls no
    // further than the last item's standing at the bottom.
    const int page = VisibleRowCount();
    QScrollBar* vertical = verticalScrollBar();
    vertical->setSingleStep(1);
    vertical->setPageStep(page);
    vertical->setRange(0, std::max(0, GetCount() - page));

    const int width = viewport()->width();
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setSingleStep(CharWidth());
    horizontal->setPageStep(std::max(1, width));
    horizontal->setRange(0, std::max(0, HorizontalExtent() - width));
}

int CListBox::SetTopIndex(int index) {
    if (index < 0 || index >= GetCount())
        return LB_ERR;
    FlushScrollRanges();
    verticalScrollBar()->setValue(index);
    return 0;
}

void CListBox::EnsureVisible(int index) {
    if (index < 0 || index >= GetCount())
        return;
    FlushScrollRanges();
    const int top = GetTopIndex();
    const int rows = VisibleRowCount();
    if (index < top)
        verticalScrollBar()->setValue(index);
    else if (index >= top + rows)
        verticalScrollBar()->setValue(index - rows + 1);
}

int CListBox::SetCurSel(int index) {
    const int result = m_list.SetCurSel(index);
    if (result >= 0)
        EnsureVisible(result);
    return result;
}

int CListBox::SetCaretIndex(int index) {
    const int result = m_list.SetCaretIndex(index);
    if (result != LB_ERR)
        EnsureVisible(index);
    return result;
}

void CListBox::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRanges();
}

// ---- repainting on model changes -----------------------------------------------------

void CListBox::RepaintAll() {
    if (m_repaintQueued)
        return;
    m_repaintQueued = true;
    viewport()->update();
}

void CListBox::RepaintRow(int index) {
    if (index >= 0 && RowsInView(index, index))
        viewport()->update(RowRect(index));
}

void CListBox::ItemsInserted(int first, int) {
    QueueScrollRangeUpdate();
    // Loading and refilling append one item at a time; once a repaint is queued the
    // view's geometry need not be looked at again.
    if (!m_repaintQueued && first <= LastRowInView())
        RepaintAll();
}

void CListBox::ItemsRemoved(int first, int) {
    QueueScrollRangeUpdate();
    if (first <= LastRowInView())
        RepaintAll();
}

void CListBox::ContentReset() {
    QueueScrollRangeUpdate();
    RepaintAll();
}

void CListBox::ItemsChanged(int first, int last) {
    if (!RowsInView(first, last))
        return;
    if (first == last)
        RepaintRow(first);
    else
        RepaintAll();
}

void CListBox::CaretChanged(int oldCaret, int newCaret) {
    if (!hasFocus())
        return;
    RepaintRow(oldCaret);
    RepaintRow(newCaret);
}

void CListBox::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_rowHeight = 0;
        m_charWidth = 0;
        // Every width measured so far was for the old font.
        m_measuredNoted = 0;
        m_widest = 0;
        QueueScrollRangeUpdate();
        RepaintAll();
    } else if (event->type() == QEvent::PaletteChange) {
        RepaintAll();
    }
}

// ---- painting ------------------------------------------------------------------------

void CListBox::paintEvent(QPaintEvent* event) {
    m_repaintQueued = false;
    QPainter painter(viewport());
    painter.setFont(font());
    const QRect area = event->rect();
    const int height = RowHeight();
    const int count = GetCount();
    const int top = GetTopIndex();
    const int xOffset = horizontalScrollBar()->value();
    const int width = std::max(viewport()->width(), HorizontalExtent());
    const QColor window = SystemColour(QPalette::Base);
    m_paintedRight = INT_MIN;

    int rows = 0;
    if (count == 0) {
        painter.fillRect(area, window);
        // An empty list still shows where the focus is.
        if (hasFocus())
            DrawItem(painter, ItemPaint{-1, QRect(-xOffset, 0, width, height), false, true});
    } else {
        const int first = top + std::max(area.top(), 0) / height;
        const int last = std::min(count - 1, top + std::max(area.bottom(), 0) / height);
        const int caret = hasFocus() ? m_list.GetCaretIndex() : -1;
        const int viewportWidth = viewport()->width();
        for (int i = first; i <= last; ++i) {
            const int y = (i - top) * height;
            painter.setClipRect(QRect(0, y, viewportWidth, height));
            DrawItem(painter,
                     ItemPaint{i, QRect(-xOffset, y, width, height), m_list.GetSel(i) == 1, i == caret});
            ++rows;
        }
        painter.setClipping(false);
        NotePaintedText(m_paintedRight, xOffset);
        // Below the last item: background.
        const int filledTo = std::max(0, (last - top + 1) * height);
        if (filledTo <= area.bottom())
            painter.fillRect(QRect(area.left(), filledTo, area.width(), area.bottom() - filledTo + 1),
                             window);
    }
    ++m_stats.paints;
    m_stats.rowsPainted += static_cast<uint64_t>(rows);
    m_stats.lastPaintRows = rows;
}

void CListBox::DrawItem(QPainter& painter, const ItemPaint& item) {
    const QColor background = SystemColour(item.selected ? QPalette::Highlight : QPalette::Base);
    painter.fillRect(item.rect, background);
    if (item.index >= 0) {
        const int textTop =
            item.rect.top() + (item.rect.height() - QFontMetrics(painter.font()).height()) / 2;
        DrawItemText(painter, item.rect.left() + m_textMargin, textTop, m_list.GetText(item.index),
                     SystemColour(item.selected ? QPalette::HighlightedText : QPalette::Text), background);
    }
    if (item.focus)
        DrawFocusRect(painter, item.rect);
}

int CListBox::MeasureItem(int fontHeight) const {
    return fontHeight + 2;
}

void CListBox::DrawItemText(QPainter& painter, int left, int top, std::string_view text, const QColor& colour,
                            const QColor& background) {
    const QString shown = ToDisplayString(text);
    if (shown.isEmpty())
        return;
    const QFontMetrics metrics(painter.font());
    // One layout of the text gives both the cells to fill (its width rounded, as the
    // integer metrics give it) and how far the drawn glyphs may reach (rounded up).
    const qreal advance = QFontMetricsF(painter.font()).horizontalAdvance(shown);
    m_paintedRight = std::max(m_paintedRight, left + static_cast<int>(std::ceil(advance)));
    painter.fillRect(QRect(left, top, qRound(advance), metrics.height()), background);
    painter.setPen(colour);
    painter.drawText(left, top + metrics.ascent(), shown);
}

void CListBox::DrawFocusRect(QPainter& painter, const QRect& rect) {
    if (rect.isEmpty())
        return;
    // A checkerboard of inverted pixels along the border. Each border pixel is listed
    // once, so the inversion is exact and a second call restores what was there.
    QPolygon points;
    const auto add = [&](int x, int y) {
        if (((x + y) & 1) == ((rect.left() + rect.top()) & 1))
            points << QPoint(x, y);
    };
    for (int x = rect.left(); x <= rect.right(); ++x) {
        add(x, rect.top());
        if (rect.bottom() != rect.top())
            add(x, rect.bottom());
    }
    for (int y = rect.top() + 1; y < rect.bottom(); ++y) {
        add(rect.left(), y);
        if (rect.right() != rect.left())
            add(rect.right(), y);
    }
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(QPen(Qt::white, 0));
    painter.drawPoints(points);
    painter.restore();
}

// ---- user input ----------------------------------------------------------------------

void CListBox::Notify(int code) {
    if (m_notify) {
        // The handler may replace itself; call a copy.
        const NotifyHandler handler = m_notify;
        handler(code);
    }
}

namespace {

ListSelection::Keys KeysOf(Qt::KeyboardModifiers modifiers) {
    return {(modifiers & Qt::ShiftModifier) != 0, (modifiers & Qt::ControlModifier) != 0};
}

} // namespace

void CListBox::SelectByUser(int index, const std::function<void()>& gesture) {
    const UserChange change(*this);
    gesture();
    if (index >= 0)
        EnsureVisible(index);
    if (change.Changed())
        Notify(LBN_SELCHANGE);
}

void CListBox::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    // Alt and Meta combinations belong to menus and the desktop; anything this list does
    // not know (Ctrl+A among them) goes on to the owner.
    if (modifiers & (Qt::AltModifier | Qt::MetaModifier)) {
        event->ignore();
        return;
    }
    const int count = GetCount();
    FlushScrollRanges();
    const int caret = m_list.GetCaretIndex();
    const int page = std::max(1, VisibleRowCount() - 1);
    int target = 0;
    switch (event->key()) {
    case Qt::Key_Up:
        target = caret - 1;
        break;
    case Qt::Key_Down:
        target = caret + 1;
        break;
    case Qt::Key_PageUp:
        target = caret - page;
        break;
    case Qt::Key_PageDown:
        target = caret + page;
        break;
    case Qt::Key_Home:
        target = 0;
        break;
    case Qt::Key_End:
        target = count - 1;
        break;
    case Qt::Key_Left:
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        event->accept();
        return;
    case Qt::Key_Right:
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        event->accept();
        return;
    case Qt::Key_Space:
        SelectByUser(-1, [&] { m_selection.Space(KeysOf(modifiers)); });
        event->accept();
        return;
    default:
        event->ignore();
        return;
    }
    event->accept();
    if (count > 0) {
        target = std::clamp(target, 0, count - 1);
        SelectByUser(target, [&] { m_selection.MoveTo(target, KeysOf(modifiers)); });
    }
}

void CListBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    m_dragging = (event->modifiers() & Qt::ControlModifier) == 0;
    const int index = ItemFromPoint(event->position().toPoint());
    SelectByUser(index, [&] { m_selection.Click(index, KeysOf(event->modifiers())); });
}

void CListBox::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging || !(event->buttons() & Qt::LeftButton) || GetCount() == 0) {
        QAbstractScrollArea::mouseMoveEvent(event);
        return;
    }
    // Dragging past the top or bottom edge scrolls one row a move.
    const QPoint point = event->position().toPoint();
    int index;
    if (point.y() < 0)
        index = std::max(GetTopIndex() - 1, 0);
    else if (point.y() >= viewport()->height())
        index = std::min(GetTopIndex() + VisibleRowCount(), GetCount() - 1);
    else
        index = std::min(GetTopIndex() + point.y() / RowHeight(), GetCount() - 1);
    SelectByUser(index, [&] { m_selection.DragTo(index); });
}

void CListBox::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void CListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    // The second click selects as a click does, then the owner hears of the double click.
    const int index = ItemFromPoint(event->position().toPoint());
    m_dragging = (event->modifiers() & Qt::ControlModifier) == 0;
    SelectByUser(index, [&] { m_selection.Click(index, KeysOf(event->modifiers())); });
    if (index >= 0)
        Notify(LBN_DBLCLK);
}

void CListBox::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    if (GetCount() == 0)
        RepaintAll();
    else
        RepaintRow(m_list.GetCaretIndex());
}

void CListBox::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    m_dragging = false;
    if (GetCount() == 0)
        RepaintAll();
    else
        RepaintRow(m_list.GetCaretIndex());
    // A list that loses the focus because it or its window is being hidden (closed, torn
    // down) tells no one: its owner may be half destroyed by then.
    if (!window()->isHidden() && isVisibleTo(window()))
        Notify(LBN_KILLFOCUS);
}
