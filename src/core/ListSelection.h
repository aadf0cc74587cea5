// ListSelection: what a user's gesture does to the selection of a list: a click, a drag
// from the item clicked, a key that moves the caret, and Space; Shift extends from the
// anchor, Ctrl adds to the selection (or, on a key, moves the caret alone). It works on
// the selected items, caret and anchor of the DisplayList it is given, which outlives it.
//
// In a single-selection list every gesture selects the item it reaches, alone. GUI thread
// only, as the list.
#pragma once

class DisplayList;

class ListSelection {
public:
    // The modifier keys held during a gesture.
    struct Keys {
        bool shift = false;
        bool control = false;
    };

    explicit ListSelection(DisplayList& list) : m_list(list) {}

    // A click on `index` (a bad index does nothing): alone; with Ctrl its selection flips;
    // with Shift the items from the anchor to it, alone or, with Ctrl too, added. The
    // caret goes there, and the anchor too unless Shift extends from it.
    void Click(int index, Keys keys);
    // The pointer, held down since a click without Ctrl, reached `index`: the items from
    // the anchor to it, alone.
    void DragTo(int index);
    // A key moved the caret to `target`: as a click without Ctrl flipping, except that Ctrl
    // alone moves the caret and leaves the selection as it is.
    void MoveTo(int target, Keys keys);
    // Space: the caret's item alone, or with Ctrl its selection flips; the anchor goes to
    // the caret. Nothing with Shift, in a single-selection list or an empty one.
    void Space(Keys keys);

private:
    // The items from the anchor (the caret when there is none) to `index`, added to the
    // selection when `add`, else alone; the anchor stays.
    void Extend(int index, bool add);

    DisplayList& m_list;
};
