#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/ListBox.h"

namespace {

// A parent that records the keys its list box passed on (modifier keys aside).
class Owner : public QWidget {
public:
    std::vector<int> keysPassedOn;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() != Qt::Key_Shift && event->key() != Qt::Key_Control)
            keysPassedOn.push_back(event->keyCombination().toCombined());
    }
};

// A list box of `count` items, shown and focused in an owner window, with every
// notification recorded.
class ShownList {
public:
    explicit ShownList(int count, DisplayList::SelectionMode mode = DisplayList::SelectionMode::Extended)
        : list(new CListBox(mode, &owner)) {
        for (int i = 0; i < count; ++i)
            list->Model().AddString("item " + std::to_string(i));
        list->SetNotifyHandler([this](int code) { notes.push_back(code); });
        owner.resize(300, 400);
        list->setGeometry(0, 0, 300, 400);
        owner.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&owner));
        owner.activateWindow();
        list->setFocus();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&owner));
        QCoreApplication::processEvents();
        notes.clear();
    }

    std::vector<int> Selected() const { return list->Model().GetSelItems(); }
    QPoint PointOf(int index) const {
        const QRect rect = list->GetItemRect(index);
        EXPECT_FALSE(rect.isNull());
        return QPoint(20, rect.top() + rect.height() / 2);
    }
    void Click(int index, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, PointOf(index));
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(list, static_cast<Qt::Key>(key), modifiers);
    }
    // The notifications since the last call.
    std::vector<int> TakeNotes() { return std::exchange(notes, {}); }

    std::vector<int> notes; // outlives the list, which may still notify while it goes
    Owner owner;
    CListBox* list; // owned by `owner`
};

using Ints = std::vector<int>;
const Ints kSelChange{LBN_SELCHANGE};

TEST(ListBox, MouseSelectionInAnExtendedList) {
    ShownList shown(20);
    DisplayList& model = shown.list->Model();

    // Click: that item alone, caret and anchor there.
    shown.Click(3);
    EXPECT_EQ(shown.Selected(), Ints{3});
    EXPECT_EQ(model.GetCaretIndex(), 3);
    EXPECT_EQ(model.GetAnchorIndex(), 3);
    EXPECT_EQ(shown.TakeNotes(), kSelChange);

    // Ctrl+click adds and removes single items and moves the anchor.
    shown.Click(5, Qt::ControlModifier);
    EXPECT_EQ(shown.Selected(), (Ints{3, 5}));
    EXPECT_EQ(model.GetCaretIndex(), 5);
    shown.Click(3, Qt::ControlModifier);
    EXPECT_EQ(shown.Selected(), Ints{5});
    EXPECT_EQ(model.GetAnchorIndex(), 3);
    EXPECT_EQ(shown.TakeNotes(), (Ints{LBN_SELCHANGE, LBN_SELCHANGE}));

    // Shift+click: exactly the range from the anchor, in either direction.
    shown.Click(7, Qt::ShiftModifier);
    EXPECT_EQ(shown.Selected(), (Ints{3, 4, 5, 6, 7}));
    shown.Click(1, Qt::ShiftModifier);
    EXPECT_EQ(shown.Selected(), (Ints{1, 2, 3}));
    EXPECT_EQ(model.GetCaretIndex(), 1);
    EXPECT_EQ(model.GetAnchorIndex(), 3);
    // Ctrl+Shift+click adds the range to what is selected.
    shown.Click(10, Qt::ControlModifier);
    shown.Click(12, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(shown.Selected(), (Ints{1, 2, 3, 10, 11, 12}));
    shown.TakeNotes();

    // A click that changes nothing tells nothing.
    shown.Click(4);
    shown.TakeNotes();
    shown.Click(4);
    EXPECT_TRUE(shown.TakeNotes().empty());
    EXPECT_EQ(shown.Selected(), Ints{4});

    // Dragging selects from the anchor to the row under the mouse.
    shown.Click(16);
    QTest::mousePress(shown.list->viewport(), Qt::LeftButton, {}, shown.PointOf(16));
    QMouseEvent move(QEvent::MouseMove, QPointF(shown.PointOf(18)),
                     shown.list->viewport()->mapToGlobal(QPointF(shown.PointOf(18))), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(shown.list->viewport(), &move);
    QTest::mouseRelease(shown.list->viewport(), Qt::LeftButton, {}, shown.PointOf(18));
    EXPECT_EQ(shown.Selected(), (Ints{16, 17, 18}));
}

TEST(ListBox, KeyboardSelectionInAnExtendedList) {
    ShownList shown(100);
    CListBox& list = *shown.list;
    DisplayList& model = list.Model();
    const int rows = list.VisibleRowCount();
    ASSERT_GT(rows, 3);

    shown.Click(2);
    shown.TakeNotes();
    shown.Key(Qt::Key_Down);
    EXPECT_EQ(shown.Selected(), Ints{3});
    shown.Key(Qt::Key_Up);
    shown.Key(Qt::Key_Up);
    EXPECT_EQ(shown.Selected(), Ints{1});
    EXPECT_EQ(shown.TakeNotes(), (Ints{LBN_SELCHANGE, LBN_SELCHANGE, LBN_SELCHANGE}));

    // Shift extends from the anchor and can shrink back across it.
    shown.Key(Qt::Key_Down, Qt::ShiftModifier);
    shown.Key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(shown.Selected(), (Ints{1, 2, 3}));
    shown.Key(Qt::Key_Up, Qt::ShiftModifier);
    shown.Key(Qt::Key_Up, Qt::ShiftModifier);
    shown.Key(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(shown.Selected(), (Ints{0, 1}));
    EXPECT_EQ(model.GetAnchorIndex(), 1);

    // Page keys move a page less one row and scroll the caret into view.
    shown.Key(Qt::Key_PageDown);
    EXPECT_EQ(shown.Selected(), Ints{rows - 1});
    shown.Key(Qt::Key_PageDown);
    EXPECT_EQ(shown.Selected(), Ints{2 * (rows - 1)});
    EXPECT_EQ(list.GetTopIndex(), 2 * (rows - 1) - rows + 1);
    shown.Key(Qt::Key_PageUp, Qt::ShiftModifier);
    EXPECT_EQ(model.GetCaretIndex(), rows - 1);
    EXPECT_EQ(model.GetSelCount(), rows);
    shown.Key(Qt::Key_PageUp);
    EXPECT_EQ(shown.Selected(), Ints{0});

    // End and Home, alone and with Shift.
    shown.Key(Qt::Key_End);
    EXPECT_EQ(shown.Selected(), Ints{99});
    EXPECT_EQ(list.GetTopIndex(), 100 - rows);
    shown.Key(Qt::Key_Up);
    shown.Key(Qt::Key_Home, Qt::ShiftModifier);
    EXPECT_EQ(model.GetSelCount(), 99);
    EXPECT_EQ(model.GetCaretIndex(), 0);
    EXPECT_EQ(list.GetTopIndex(), 0);
    shown.Key(Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(shown.Selected(), (Ints{98, 99}));

    // Ctrl moves the caret alone; Ctrl+Space toggles the caret's item.
    shown.Key(Qt::Key_Home);
    shown.TakeNotes();
    shown.Key(Qt::Key_Down, Qt::ControlModifier);
    shown.Key(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(shown.Selected(), Ints{0});
    EXPECT_EQ(model.GetCaretIndex(), 2);
    shown.Key(Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(shown.Selected(), (Ints{0, 2}));
    EXPECT_EQ(shown.TakeNotes(), (Ints{LBN_SELCHANGE, LBN_SELCHANGE, LBN_SELCHANGE}));

    // Ctrl+A and keys the list does not know go on to the owner untouched.
    shown.Key(Qt::Key_A, Qt::ControlModifier);
    shown.Key(Qt::Key_F2);
    shown.Key(Qt::Key_Delete);
    EXPECT_EQ(shown.Selected(), (Ints{0, 2}));
    EXPECT_EQ(shown.owner.keysPassedOn, (Ints{QKeyCombination(Qt::ControlModifier, Qt::Key_A).toCombined(),
                                              Qt::Key_F2, Qt::Key_Delete}));
    EXPECT_TRUE(shown.TakeNotes().empty());
}

TEST(ListBox, SingleSelectionList) {
    ShownList shown(30, DisplayList::SelectionMode::Single);
    DisplayList& model = shown.list->Model();
    shown.Click(4);
    EXPECT_EQ(model.GetCurSel(), 4);
    shown.Click(6, Qt::ControlModifier);
    shown.Click(9, Qt::ShiftModifier);
    EXPECT_EQ(shown.Selected(), Ints{9});
    shown.Key(Qt::Key_Down, Qt::ShiftModifier);
    shown.Key(Qt::Key_Down);
    EXPECT_EQ(shown.Selected(), Ints{11});
    shown.Key(Qt::Key_End);
    EXPECT_EQ(model.GetCurSel(), 29);
    EXPECT_EQ(model.GetSelCount(), 1);
    EXPECT_EQ(shown.TakeNotes(), Ints(6, LBN_SELCHANGE));
}

TEST(ListBox, OwnerNotifications) {
    ShownList shown(10);
    CListBox& list = *shown.list;

    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, shown.PointOf(2));
    const Ints notes = shown.TakeNotes();
    ASSERT_FALSE(notes.empty());
    EXPECT_EQ(notes.back(), LBN_DBLCLK);
    EXPECT_EQ(list.Model().GetCaretIndex(), 2);

    // Changes made through the API are not the user's: no notification.
    list.Model().SetSel(5, true);
    list.SetCaretIndex(7);
    list.Model().SelectOnly(1, 3);
    EXPECT_TRUE(shown.TakeNotes().empty());

    // Focus loss.
    QLineEdit* other = new QLineEdit(&shown.owner);
    other->setGeometry(0, 0, 10, 10);
    other->show();
    other->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(shown.TakeNotes(), Ints{LBN_KILLFOCUS});

    // Closing the window takes the focus without a word: the owner may be going.
    list.setFocus();
    QCoreApplication::processEvents();
    shown.TakeNotes();
    ASSERT_TRUE(list.hasFocus());
    shown.owner.hide();
    QCoreApplication::processEvents();
    EXPECT_FALSE(list.hasFocus());
    EXPECT_TRUE(shown.TakeNotes().empty());
}

TEST(ListBox, ScrollingAndGeometry) {
    ShownList shown(1000);
    CListBox& list = *shown.list;
    const int height = list.GetItemHeight();
    const int rows = list.VisibleRowCount();
    EXPECT_EQ(height, QFontMetrics(list.font()).height() + 2);
    EXPECT_EQ(list.verticalScrollBar()->maximum(), 1000 - rows);

    EXPECT_EQ(list.SetTopIndex(500), 0);
    EXPECT_EQ(list.GetTopIndex(), 500);
    EXPECT_EQ(list.SetTopIndex(1000), LB_ERR);
    list.SetTopIndex(999); // no further than the last item standing at the bottom
    EXPECT_EQ(list.GetTopIndex(), 1000 - rows);

    list.SetTopIndex(500);
    QRect rect = list.GetItemRect(502);
    EXPECT_EQ(rect.top(), 2 * height);
    EXPECT_EQ(rect.height(), height);
    EXPECT_TRUE(list.GetItemRect(1000).isNull());
    EXPECT_EQ(list.ItemFromPoint(QPoint(5, 2 * height + 1)), 502);
    EXPECT_EQ(list.ItemFromPoint(QPoint(5, -1)), -1);

    // EnsureVisible scrolls only as far as needed, either way.
    list.EnsureVisible(505);
    EXPECT_EQ(list.GetTopIndex(), 500);
    list.EnsureVisible(500 + rows + 5);
    EXPECT_EQ(list.GetTopIndex(), 506);
    list.EnsureVisible(100);
    EXPECT_EQ(list.GetTopIndex(), 100);

    // A wheel notch scrolls three rows.
    QWheelEvent wheel(QPointF(10, 10), list.viewport()->mapToGlobal(QPointF(10, 10)), QPoint(),
                      QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(list.viewport(), &wheel);
    EXPECT_EQ(list.GetTopIndex(), 100 + QApplication::wheelScrollLines());

    // The horizontal range follows the longest text without walking the items.
    EXPECT_EQ(list.horizontalScrollBar()->maximum(), 0);
    list.Model().AddString(std::string(400, 'w'));
    QCoreApplication::processEvents();
    EXPECT_GT(list.horizontalScrollBar()->maximum(),
              400 * QFontMetrics(list.font()).averageCharWidth() - list.viewport()->width() - 1);
    list.horizontalScrollBar()->setValue(30);
    rect = list.GetItemRect(502);
    EXPECT_EQ(rect.left(), -30);
    list.Model().ResetContent();
    QCoreApplication::processEvents();
    EXPECT_EQ(list.horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(list.verticalScrollBar()->maximum(), 0);
}

TEST(ListBox, PaintsOnlyWhatChanged) {
    ShownList shown(100000);
    CListBox& list = *shown.list;
    const int rows = list.VisibleRowCount();
    QCoreApplication::processEvents();

    // A full repaint draws the rows in view, the partly visible one included, no more.
    list.viewport()->repaint();
    EXPECT_LE(list.Stats().lastPaintRows, rows + 1);
    EXPECT_GE(list.Stats().lastPaintRows, rows);

    // A change to one item in view repaints its row; one out of view repaints nothing.
    uint64_t paints = list.Stats().paints;
    list.Model().SetItemData(1, 7);
    QCoreApplication::processEvents();
    EXPECT_EQ(list.Stats().paints, paints + 1);
    EXPECT_EQ(list.Stats().lastPaintRows, 1);
    paints = list.Stats().paints;
    list.Model().SetSel(50000, true);
    list.Model().AddString("appended out of view");
    QCoreApplication::processEvents();
    EXPECT_EQ(list.Stats().paints, paints);
    EXPECT_EQ(list.verticalScrollBar()->maximum(), 100001 - rows);

    // The default drawing shows the selection in the highlight colours.
    list.Model().SelectOnly(0, 0);
    list.clearFocus();
    const QImage image = list.viewport()->grab().toImage();
    EXPECT_EQ(image.pixelColor(250, list.GetItemRect(0).top() + 2), list.SystemColour(QPalette::Highlight));
    EXPECT_EQ(image.pixelColor(250, list.GetItemRect(1).top() + 2), list.SystemColour(QPalette::Base));
}

// The model's selection bookkeeping that the widget's speed rests on: the span a
// selection may cover follows insertions and deletions, so clicks far apart stay exact.
TEST(ListBox, TheScrollRangeFollowsABurstOfAppendsHeldBack) {
    ShownList shown(10);
    CListBox& list = *shown.list;
    QScrollBar& bar = *list.verticalScrollBar();
    int rangeChanges = 0;
    QObject::connect(&bar, &QScrollBar::rangeChanged, [&] { ++rangeChanges; });
    // A loader's pace: a batch of items, one turn of the event loop, and again.
    const auto burst = [&] {
        for (int round = 0; round < 100; ++round) {
            for (int i = 0; i < 50; ++i)
                list.Model().AddString("appended");
            QCoreApplication::processEvents();
            ASSERT_LE(bar.maximum(), list.GetCount() - list.VisibleRowCount()); // never beyond
        }
    };
    const auto whole = [&] { return bar.maximum() == list.GetCount() - list.VisibleRowCount(); };
    burst();
    EXPECT_LT(rangeChanges, 100);
    list.FlushScrollRanges();
    EXPECT_TRUE(whole());
    burst(); // left alone, a held-back range comes by itself
    EXPECT_TRUE(QTest::qWaitFor(whole, 5000));
    // After a quiet spell a change shows on the next turn of the loop.
    QTest::qWait(150);
    list.Model().AddString("after a pause");
    QCoreApplication::processEvents();
    EXPECT_TRUE(whole());
}

TEST(ListBox, SelectionSpanFollowsEditsOfTheModel) {
    DisplayList model;
    for (int i = 0; i < 50; ++i)
        model.AddString("x");
    model.SetSel(40, true);
    model.SetSel(45, true);
    model.InsertString(0, "new"); // both move down one
    model.DeleteString(42);       // an unselected item between them
    EXPECT_EQ(model.GetSelItems(), (Ints{41, 45}));
    model.SelectOnly(3, 4);
    EXPECT_EQ(model.GetSelItems(), (Ints{3, 4}));
    EXPECT_EQ(model.GetSelCount(), 2);
    model.SetSel(49, true);
    model.DeleteItems({0, 1, 2});
    EXPECT_EQ(model.GetSelItems(), (Ints{0, 1, 46}));
    model.SelectOnly(20, 20);
    EXPECT_EQ(model.GetSelItems(), Ints{20});
    model.SelectOnly(60, 70); // outside the list: nothing stays selected
    EXPECT_EQ(model.GetSelCount(), 0);

    const uint64_t stamp = model.SelectionStamp();
    model.SetSel(5, false); // no change, same stamp
    EXPECT_EQ(model.SelectionStamp(), stamp);
    model.SetSel(5, true);
    EXPECT_NE(model.SelectionStamp(), stamp);
}

} // namespace
