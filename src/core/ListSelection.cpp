#include "core/ListSelection.h"

#include "core/DisplayList.h"

void ListSelection::Extend(int index, bool add) {
    const int anchor = m_list.GetAnchorIndex() >= 0 ? m_list.GetAnchorIndex() : m_list.GetCaretIndex();
    if (add)
        m_list.SelItemRange(true, anchor, index);
    else
        m_list.SelectOnly(anchor, index);
    m_list.SetAnchorIndex(anchor);
}

void ListSelection::Click(int index, Keys keys) {
    if (index < 0 || index >= m_list.GetCount())
        return;
    if (m_list.Mode() == DisplayList::SelectionMode::Single) {
        m_list.SetCurSel(index);
        return;
    }
    if (keys.shift) {
        Extend(index, keys.control);
    } else {
        if (keys.control)
            m_list.SetSel(index, m_list.GetSel(index) != 1);
        else
            m_list.SelectOnly(index, index);
        m_list.SetAnchorIndex(index);
    }
    m_list.SetCaretIndex(index);
}

void ListSelection::DragTo(int index) {
    if (index < 0 || index >= m_list.GetCount())
        return;
    if (m_list.Mode() == DisplayList::SelectionMode::Single) {
        m_list.SetCurSel(index);
        return;
    }
    Extend(index, false);
    m_list.SetCaretIndex(index);
}

void ListSelection::MoveTo(int target, Keys keys) {
    if (target < 0 || target >= m_list.GetCount())
        return;
    if (m_list.Mode() == DisplayList::SelectionMode::Extended && keys.control && !keys.shift) {
        // The caret moves alone; Ctrl+Space then flips the item it reached.
        m_list.SetCaretIndex(target);
        return;
    }
    Click(target, keys);
}

void ListSelection::Space(Keys keys) {
    const int caret = m_list.GetCaretIndex();
    if (keys.shift || caret < 0 || m_list.Mode() == DisplayList::SelectionMode::Single)
        return;
    if (keys.control)
        m_list.SetSel(caret, m_list.GetSel(caret) != 1);
    else
        m_list.SelectOnly(caret, caret);
    m_list.SetAnchorIndex(caret);
}
