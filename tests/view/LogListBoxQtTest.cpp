#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "view/LogListBox.h"

namespace {

constexpr COLORREF kRed = 0x0000FF;
constexpr COLORREF kGreen = 0x008000;
constexpr COLORREF kYellow = 0x00FFFF;
constexpr COLORREF kBlack = 0x000000;

// A log list on screen (offscreen platform) in a font without anti-aliasing, so that text
// pixels have exactly the colour they were drawn in. It starts without the focus, so no
// focus rectangle is drawn unless a test asks for one.
class ShownLogList {
public:
    ShownLogList() {
        QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPixelSize(14);
        font.setStyleStrategy(QFont::NoAntialias);
        list.setFont(font);
        list.resize(420, 160);
        list.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&list));
        list.clearFocus();
    }

    void Focus() {
        list.activateWindow();
        list.setFocus();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&list));
        EXPECT_TRUE(list.hasFocus());
    }

    QImage Shot() {
        QCoreApplication::processEvents();
        return list.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

    QRect Row(int index) const {
        const QRect rect = list.GetItemRect(index);
        EXPECT_FALSE(rect.isNull());
        return QRect(0, rect.top(), list.viewport()->width(), rect.height());
    }

    CLogListBox list;
};

COLORREF At(const QImage& image, int x, int y) {
    return ColorRefFromQColor(image.pixelColor(x, y));
}

int Count(const QImage& image, const QRect& area, COLORREF colour) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += At(image, x, y) == colour ? 1 : 0;
    return n;
}

// The text part of a row: right of the margin, inside the row.
QRect TextArea(const QRect& row) {
    return QRect(row.left() + 15, row.top() + 2, 200, row.height() - 4);
}

// The middle of the bookmark square and a margin pixel outside it.
QPoint SquareMiddle(const QRect& row) {
    return QPoint(row.left() + row.height() / 2, row.center().y());
}
QPoint MarginOutsideSquare(const QRect& row) {
    return QPoint(row.left() + row.height(), row.top() + 1);
}

TEST(LogListBox, ItemColourAndBookmarkSquare) {
    ShownLogList shown;
    CLogListBox& list = shown.list;
    const COLORREF window = ColorRefFromQColor(list.SystemColour(QPalette::Base));
    const COLORREF highlight = ColorRefFromQColor(list.SystemColour(QPalette::Highlight));
    const COLORREF highlightText = ColorRefFromQColor(list.SystemColour(QPalette::HighlightedText));
    list.AddLineWithData("HHHH IIII plain red", kRed);
    list.AddLineWithData("HHHH IIII marked red", kRed | BOOKMARK_BIT);
    list.AddLineWithData("HHHH IIII marked and selected", kRed | BOOKMARK_BIT);
    list.Model().SetSel(2, true);

    const QImage image = shown.Shot();
    // Unmarked: red text on the window colour, nothing in the margin.
    const QRect plain = shown.Row(0);
    EXPECT_GT(Count(image, TextArea(plain), kRed), 20);
    EXPECT_EQ(At(image, plain.right() - 2, plain.center().y()), window);
    EXPECT_EQ(Count(image, QRect(plain.left(), plain.top(), 15, plain.height()), window),
              15 * plain.height());

    // Marked: a red square of row height - 4 at (2, 2) in the margin.
    const QRect marked = shown.Row(1);
    const int side = marked.height() - 4;
    EXPECT_EQ(Count(image, QRect(marked.left() + 2, marked.top() + 2, side, side), kRed), side * side);
    EXPECT_EQ(At(image, marked.left() + 1, marked.top() + 1), window);
    EXPECT_EQ(At(image, MarginOutsideSquare(marked).x(), marked.bottom()), window);

    // Selected: highlight background, square and text in the highlight-text colour.
    const QRect selected = shown.Row(2);
    EXPECT_EQ(At(image, selected.right() - 2, selected.center().y()), highlight);
    EXPECT_EQ(At(image, SquareMiddle(selected).x(), SquareMiddle(selected).y()), highlightText);
    EXPECT_GT(Count(image, TextArea(selected), highlightText), 20);
    EXPECT_EQ(Count(image, TextArea(selected), kRed), 0);
}

TEST(LogListBox, AlertPhrasesPaintYellowOnBlack) {
    ShownLogList shown;
    CLogListBox& list = shown.list;
    const COLORREF window = ColorRefFromQColor(list.SystemColour(QPalette::Base));
    list.AddLineWithData("12:00:01 Abnormal Link Loss on port 2", kGreen);
    list.AddLineWithData("12:00:02 Abnormal Link Loss on port 3", kGreen | BOOKMARK_BIT);
    list.AddLineWithData("Abnormal Link Loss at the very start", kGreen);
    list.AddLineWithData("12:00:03 abnormal link loss in lower case", kGreen);
    list.AddLineWithData("12:00:04 PowerOn reset. Auto startup", 0);
    list.AddLineWithData("12:00:05 tgtdbg application started", 0);
    list.Model().SetSel(1, true);

    const QImage image = shown.Shot();
    for (int index : {0, 1, 4, 5}) {
        SCOPED_TRACE(index);
        const QRect row = shown.Row(index);
        // Black over the whole row, the selection colour included, and yellow text.
        EXPECT_EQ(At(image, row.right() - 2, row.center().y()), kBlack);
        EXPECT_EQ(At(image, row.left() + 1, row.top()), kBlack);
        EXPECT_GT(Count(image, TextArea(row), kYellow), 20);
    }
    // A selected alert line keeps its bookmark square in the selection's text colour.
    const QPoint square = SquareMiddle(shown.Row(1));
    EXPECT_EQ(At(image, square.x(), square.y()),
              ColorRefFromQColor(list.SystemColour(QPalette::HighlightedText)));

    // A phrase at the very start, or in other case, makes no alert.
    for (int index : {2, 3}) {
        SCOPED_TRACE(index);
        const QRect row = shown.Row(index);
        EXPECT_EQ(At(image, row.right() - 2, row.center().y()), window);
        EXPECT_GT(Count(image, TextArea(row), kGreen), 20);
        EXPECT_EQ(Count(image, row, kYellow), 0);
    }
}

TEST(LogListBox, EmptyListPaintsOnlyBackgroundAndFocus) {
    ShownLogList shown;
    CLogListBox& list = shown.list;
    const COLORREF window = ColorRefFromQColor(list.SystemColour(QPalette::Base));
    const int height = list.GetItemHeight();
    const QRect viewport = list.viewport()->rect();

    // Without the focus: the window colour everywhere.
    QImage image = shown.Shot();
    EXPECT_EQ(Count(image, viewport, window), viewport.width() * viewport.height());

    // With it: a dotted rectangle round the first row and nothing else.
    shown.Focus();
    image = shown.Shot();
    const QRect firstRow(0, 0, viewport.width(), height);
    const QRect inside = firstRow.adjusted(1, 1, -1, -1);
    const QRect below(0, height, viewport.width(), viewport.height() - height);
    EXPECT_EQ(Count(image, inside, window), inside.width() * inside.height());
    EXPECT_EQ(Count(image, below, window), below.width() * below.height());
    const int border = 2 * (firstRow.width() + firstRow.height()) - 4;
    const int dots = firstRow.width() * firstRow.height() - Count(image, firstRow, window);
    EXPECT_GE(dots, border / 2 - 2);
    EXPECT_LE(dots, border / 2 + 2);
}

TEST(LogListBox, RowHeightIsTheFontHeightPlusFour) {
    ShownLogList shown;
    EXPECT_EQ(shown.list.GetItemHeight(), QFontMetrics(shown.list.font()).height() + 4);
    QFont bigger = shown.list.font();
    bigger.setPixelSize(30);
    shown.list.setFont(bigger);
    EXPECT_EQ(shown.list.GetItemHeight(), QFontMetrics(bigger).height() + 4);
}

TEST(LogListBox, FindLineRules) {
    CLogListBox list;
    for (const char* text :
         {"ERR x", "x ERR", "Err", "err again err", "", "tail matches at the very end: eRr"})
        list.AddLineWithData(text, 0);

    // A needle at the very start counts only as the whole text.
    EXPECT_EQ(list.FindLine(-1, "err"), 1);
    EXPECT_EQ(list.FindLine(1, "err"), 2);
    EXPECT_EQ(list.FindLine(2, "err"), 5); // "err again err": its first occurrence is at 0
    EXPECT_EQ(list.FindLine(5, "err"), -1);
    EXPECT_EQ(list.FindLine(-1, "err x"), 0); // start -1 reaches item 0
    EXPECT_EQ(list.FindLine(list.GetCount() - 1, "x"), -1);
    EXPECT_EQ(list.FindLine(99, "x"), -1);
    EXPECT_EQ(list.FindLine(-1, "ERR X AND MORE"), -1);
    // The empty needle equals only the empty line.
    EXPECT_EQ(list.FindLine(-1, ""), 4);

    // Only A-Z fold; other bytes compare as they are, NUL included.
    CLogListBox bytes;
    bytes.AddLineWithData("x \xC4rger", 0);
    bytes.AddLineWithData(std::string_view("a\0B c", 5), 0);
    EXPECT_EQ(bytes.FindLine(-1, "\xE4rger"), -1);
    EXPECT_EQ(bytes.FindLine(-1, "\xC4RGER"), 0);
    EXPECT_EQ(bytes.FindLine(-1, std::string_view("\0b", 2)), 1);
}

// The in-place search against the rule written out the slow way, on random short texts
// over a small alphabet, where overlaps and near misses are frequent.
TEST(LogListBox, FindLineAgreesWithLowerCasedCopies) {
    const auto lower = [](std::string s) {
        for (char& c : s)
            c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        return s;
    };
    std::mt19937 random(7);
    const std::string alphabet = "aAbB ";
    const auto text = [&](size_t maxLength) {
        std::string s(random() % (maxLength + 1), ' ');
        for (char& c : s)
            c = alphabet[random() % alphabet.size()];
        return s;
    };
    CLogListBox list;
    std::vector<std::string> items;
    for (int i = 0; i < 300; ++i) {
        items.push_back(text(12));
        list.AddLineWithData(items.back(), 0);
    }
    for (int round = 0; round < 300; ++round) {
        const std::string needle = text(4);
        const int start = static_cast<int>(random() % 40) - 1;
        int expected = -1;
        for (int i = start + 1; i < static_cast<int>(items.size()); ++i) {
            const std::string item = lower(items[static_cast<size_t>(i)]); // i > start >= -1
            const size_t pos = item.find(lower(needle));
            if ((pos != std::string::npos && pos > 0) || item == lower(needle)) {
                expected = i;
                break;
            }
        }
        ASSERT_EQ(list.FindLine(start, needle), expected) << "needle '" << needle << "' from " << start;
    }
}

// How far a line reaches when drawn: the margin, then the text in the list's own font.
int DrawnRight(const CLogListBox& list, const std::string& text) {
    const qreal advance = QFontMetricsF(list.font()).horizontalAdvance(QString::fromStdString(text));
    return CLogListBox::kTextLeft + static_cast<int>(std::ceil(advance));
}

// The rightmost pixel of `colour` in row `row` of a shot, -1 when there is none.
int RightmostPixel(const QImage& image, const QRect& row, COLORREF colour) {
    for (int x = image.width() - 1; x >= 0; --x)
        for (int y = row.top(); y <= row.bottom(); ++y)
            if (At(image, x, y) == colour)
                return x;
    return -1;
}

TEST(LogListBox, TheHorizontalRangeReachesTheEndOfTheWidestLineAsDrawn) {
    ShownLogList shown;
    CLogListBox& list = shown.list;
    QScrollBar& bar = *list.horizontalScrollBar();
    // Lines as long as the reader makes them; the fixed-pitch font's characters are not a
    // whole number of pixels wide, so the width is not the byte count times one of them.
    const std::string line634 = std::string(633, 'x') + "W";
    const std::string line1023 = std::string(1022, 'x') + "W";
    list.AddLineWithData("short", kRed);
    list.AddLineWithData(line634, kRed);
    list.AddLineWithData(line1023, kGreen);
    QCoreApplication::processEvents();
    // How far the list scrolls: the right end of the view at the end of the range.
    const auto reach = [&] { return bar.maximum() + list.viewport()->width(); };
    EXPECT_GE(reach(), DrawnRight(list, line1023));
    EXPECT_LE(reach(), DrawnRight(list, line1023) + CLogListBox::kTextLeft + 1);

    // Scrolled to its end, the longest line shows its last character whole.
    bar.triggerAction(QAbstractSlider::SliderToMaximum);
    const int viewport = list.viewport()->width();
    const int end = RightmostPixel(shown.Shot(), shown.Row(2), kGreen);
    EXPECT_LT(end, viewport - CLogListBox::kTextLeft + 1);
    EXPECT_GT(end, viewport - CLogListBox::kTextLeft - QFontMetricsF(list.font()).horizontalAdvance('W') - 1);

    // A line of fewer bytes can be wider (each tab reaches the next tab stop). It is not
    // among the longest lines, so the range grows once it has been painted.
    for (int i = 0; i < 20; ++i)
        list.AddLineWithData(line1023, kRed);
    const std::string tabs = std::string(150, '\t') + "tabs";
    ASSERT_GT(DrawnRight(list, tabs), DrawnRight(list, line1023));
    const int tabLine = list.Model().AddString(tabs);
    QCoreApplication::processEvents();
    EXPECT_LT(reach(), DrawnRight(list, tabs));
    list.SetTopIndex(tabLine);
    shown.Shot();
    QCoreApplication::processEvents();
    EXPECT_GE(reach(), DrawnRight(list, tabs));

    // Deleting the widest line leaves the range as it is; a list that starts over, and a
    // new font, measure again.
    const int wide = bar.maximum();
    list.Model().DeleteString(tabLine);
    QCoreApplication::processEvents();
    EXPECT_EQ(bar.maximum(), wide);
    QFont larger = list.font();
    larger.setPixelSize(20);
    list.setFont(larger);
    QCoreApplication::processEvents();
    EXPECT_GE(reach(), DrawnRight(list, line1023));
    EXPECT_LE(reach(), DrawnRight(list, line1023) + CLogListBox::kTextLeft + 1);
    list.Model().ResetContent();
    list.AddLineWithData("short", kRed);
    QCoreApplication::processEvents();
    EXPECT_EQ(bar.maximum(), 0);
}

TEST(LogListBox, AddedLinesKeepTheirOwnCopyAndData) {
    CLogListBox list;
    std::string text = "before";
    EXPECT_EQ(list.AddLineWithData(text, kRed), 0);
    text = "changed"; // the list keeps its own copy
    list.AddLineWithData("the line", kGreen | BOOKMARK_BIT);
    EXPECT_EQ(list.Model().GetText(0), "before");
    EXPECT_EQ(list.Model().GetItemData(0), kRed);
    EXPECT_EQ(list.Model().GetItemData(1), kGreen | BOOKMARK_BIT);
}

} // namespace
