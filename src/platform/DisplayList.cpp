#include "platform/DisplayList.h"

#include <algorithm>

#include "platform/ByteText.h"

DisplayList::Item DisplayList::MakeItem(std::string_view text, uint32_t data) {
    // Texts are far below 2 GiB; a longer one is cut rather than spilling into the flag.
    const uint32_t length = static_cast<uint32_t>(std::min<size_t>(text.size(), 0x7fffffffu));
    return Item{text.data(), length, data};
}

int DisplayList::AddItem(std::string_view textRef, uint32_t data) {
    m_items.push_back(MakeItem(textRef, data));
    NoteLength(textRef.size());
    const int index = GetCount() - 1;
    if (m_observer)
        m_observer->ItemsInserted(index, 1);
    return index;
}

int DisplayList::InsertString(int index, std::string_view text) {
    if (index == -1)
        index = GetCount();
    if (index < 0 || index > GetCount())
        return LB_ERR;
    m_items.insert(m_items.begin() + index, MakeItem(m_ownTexts.Store(text), 0));
    NoteLength(text.size());
    // Positions at or above the new item move down one; an insert at the caret's own
    // position leaves the caret on that position (delete + insert keeps it in place).
    if (m_caret > index)
        ++m_caret;
    if (m_anchor > index)
        ++m_anchor;
    if (m_observer)
        m_observer->ItemsInserted(index, 1);
    return index;
}

int DisplayList::DeleteString(int index) {
    if (!Valid(index))
        return LB_ERR;
    if (m_items[index].Selected())
        --m_selectedCount;
    m_items.erase(m_items.begin() + index);
    if (m_caret > index)
        --m_caret;
    if (m_anchor > index)
        --m_anchor;
    if (m_items.empty()) {
        m_caret = m_anchor = -1;
        m_ownTexts.Clear();
        m_longest = 0;
    }
    if (m_observer)
        m_observer->ItemsRemoved(index, 1);
    return GetCount();
}

int DisplayList::DeleteItems(const std::vector<int>& sortedIndices) {
    if (sortedIndices.empty())
        return GetCount();
    // One compaction pass; caret and anchor move up by the number of removed items
    // before them.
    size_t next = 0;
    size_t out = 0;
    int removedBeforeCaret = 0;
    int removedBeforeAnchor = 0;
    for (size_t i = 0; i < m_items.size(); ++i) {
        const int index = static_cast<int>(i);
        if (next < sortedIndices.size() && sortedIndices[next] == index) {
            ++next;
            if (m_items[i].Selected())
                --m_selectedCount;
            if (index < m_caret)
                ++removedBeforeCaret;
            if (index < m_anchor)
                ++removedBeforeAnchor;
            continue;
        }
        m_items[out++] = m_items[i];
    }
    m_items.resize(out);
    m_caret -= removedBeforeCaret;
    m_anchor -= removedBeforeAnchor;
    if (m_items.empty()) {
        m_caret = m_anchor = -1;
        m_ownTexts.Clear();
        m_longest = 0;
    }
    if (m_observer)
        m_observer->ContentReset();
    return GetCount();
}

void DisplayList::ResetContent() {
    m_items.clear();
    m_items.shrink_to_fit();
    m_ownTexts.Clear();
    m_selectedCount = 0;
    m_caret = m_anchor = -1;
    m_longest = 0;
    if (m_observer)
        m_observer->ContentReset();
}

std::string_view DisplayList::GetText(int index) const {
    if (!Valid(index))
        return {};
    const Item& item = m_items[index];
    return {item.text, item.Length()};
}

int DisplayList::GetTextLen(int index) const {
    return Valid(index) ? static_cast<int>(m_items[index].Length()) : LB_ERR;
}

uint32_t DisplayList::GetItemData(int index) const {
    return Valid(index) ? m_items[index].data : static_cast<uint32_t>(LB_ERR);
}

int DisplayList::SetItemData(int index, uint32_t data) {
    if (!Valid(index))
        return LB_ERR;
    m_items[index].data = data;
    if (m_observer)
        m_observer->ItemsChanged(index, index);
    return 0;
}

int DisplayList::SetItemText(int index, std::string_view text) {
    if (!Valid(index))
        return LB_ERR;
    Item& item = m_items[index];
    const Item fresh = MakeItem(m_ownTexts.Store(text), item.data);
    item.text = fresh.text;
    item.lengthAndSelected = fresh.lengthAndSelected | (item.lengthAndSelected & 0x80000000u);
    NoteLength(text.size());
    if (m_observer)
        m_observer->ItemsChanged(index, index);
    return 0;
}

void DisplayList::SetSelected(Item& item, bool select) {
    if (item.Selected() == select)
        return;
    if (select) {
        item.lengthAndSelected |= 0x80000000u;
        ++m_selectedCount;
    } else {
        item.lengthAndSelected &= 0x7fffffffu;
        --m_selectedCount;
    }
}

int DisplayList::SetSel(int index, bool select) {
    if (m_mode == SelectionMode::Single) {
        if (index == -1 && !select) {
            SetCurSel(-1);
            return 0;
        }
        if (!Valid(index))
            return LB_ERR;
        if (select)
            SetCurSel(index);
        else if (m_items[index].Selected())
            SetCurSel(-1);
        return 0;
    }
    if (index == -1) {
        if (m_items.empty())
            return 0;
        return SelItemRange(select, 0, GetCount() - 1);
    }
    if (!Valid(index))
        return LB_ERR;
    SetSelected(m_items[index], select);
    if (m_observer)
        m_observer->ItemsChanged(index, index);
    return 0;
}

int DisplayList::GetSel(int index) const {
    if (!Valid(index))
        return LB_ERR;
    return m_items[index].Selected() ? 1 : 0;
}

std::vector<int> DisplayList::GetSelItems() const {
    std::vector<int> out;
    out.reserve(static_cast<size_t>(m_selectedCount));
    if (m_selectedCount == 0)
        return out;
    const int count = GetCount();
    for (int i = 0; i < count && static_cast<int>(out.size()) < m_selectedCount; ++i) {
        if (m_items[i].Selected())
            out.push_back(i);
    }
    return out;
}

int DisplayList::SelItemRange(bool select, int first, int last) {
    if (m_mode == SelectionMode::Single)
        return LB_ERR;
    if (first > last)
        std::swap(first, last);
    if (m_items.empty() || last < 0 || first >= GetCount())
        return LB_ERR;
    first = std::max(first, 0);
    last = std::min(last, GetCount() - 1);
    for (int i = first; i <= last; ++i)
        SetSelected(m_items[i], select);
    if (m_observer)
        m_observer->ItemsChanged(first, last);
    return 0;
}

int DisplayList::SelItemRangeEx(int first, int last) {
    return first <= last ? SelItemRange(true, first, last) : SelItemRange(false, last, first);
}

void DisplayList::SelectOnly(int first, int last) {
    if (first > last)
        std::swap(first, last);
    const int count = GetCount();
    if (m_selectedCount > 0) {
        // Deselect only what lies outside the range; the common case touches few items.
        for (int i = 0; i < count && m_selectedCount > 0; ++i) {
            if (i == first) {
                i = last;
                continue;
            }
            SetSelected(m_items[i], false);
        }
    }
    for (int i = std::max(first, 0); i <= last && i < count; ++i)
        SetSelected(m_items[i], true);
    if (m_observer && count > 0)
        m_observer->ItemsChanged(0, count - 1);
}

int DisplayList::GetCurSel() const {
    if (m_mode == SelectionMode::Extended)
        return GetCaretIndex();
    const int caret = GetCaretIndex();
    return (caret >= 0 && m_items[caret].Selected()) ? caret : LB_ERR;
}

int DisplayList::SetCurSel(int index) {
    if (m_mode == SelectionMode::Extended)
        return LB_ERR;
    if (index != -1 && !Valid(index))
        return LB_ERR;
    const int old = GetCurSel();
    if (old >= 0) {
        SetSelected(m_items[old], false);
        if (m_observer)
            m_observer->ItemsChanged(old, old);
    }
    if (index >= 0) {
        SetSelected(m_items[index], true);
        MoveCaret(index);
        m_anchor = index;
        if (m_observer)
            m_observer->ItemsChanged(index, index);
    }
    return index;
}

int DisplayList::GetCaretIndex() const {
    if (m_items.empty())
        return -1;
    if (m_caret < 0)
        return 0;
    return std::min(m_caret, GetCount() - 1);
}

int DisplayList::SetCaretIndex(int index) {
    if (!Valid(index))
        return LB_ERR;
    MoveCaret(index);
    return 0;
}

void DisplayList::MoveCaret(int index) {
    const int old = m_caret;
    m_caret = index;
    if (m_observer && old != index)
        m_observer->CaretChanged(old, index);
}

int DisplayList::SetAnchorIndex(int index) {
    if (!Valid(index))
        return LB_ERR;
    m_anchor = index;
    return 0;
}

int DisplayList::FindString(int start, std::string_view prefix) const {
    const int count = GetCount();
    if (count == 0)
        return LB_ERR;
    if (start < -1 || start >= count)
        start = -1;
    const auto matches = [&](int i) {
        const std::string_view text = GetText(i);
        if (text.size() < prefix.size())
            return false;
        for (size_t k = 0; k < prefix.size(); ++k) {
            if (bytetext::LowerAscii(text[k]) != bytetext::LowerAscii(prefix[k]))
                return false;
        }
        return true;
    };
    for (int n = 0; n < count; ++n) {
        const int i = (start + 1 + n) % count;
        if (matches(i))
            return i;
    }
    return LB_ERR;
}
