#include "core/Bookmarks.h"

#include <algorithm>

#include "core/DisplayList.h"
#include "core/Palette.h"

bool Bookmarks::IsMarked(int index) const {
    return index >= 0 && index < m_list.GetCount() && (m_list.GetItemData(index) & BOOKMARK_BIT) != 0;
}

int Bookmarks::Find(uint32_t index) const {
    const auto it = std::lower_bound(m_bookmarks.begin(), m_bookmarks.end(), index);
    if (it == m_bookmarks.end() || *it != index)
        return -1;
    return static_cast<int>(it - m_bookmarks.begin());
}

void Bookmarks::ToggleBookmarkBit(int index) {
    // The one place the bit changes. Flipping it in place costs O(1); deleting the item and inserting it
    // again with the new word would shift every item after it twice. The lost selection is what that would
    // have done too.
    m_list.ToggleDataBit(index, BOOKMARK_BIT);
}

bool Bookmarks::Toggle(int index) {
    if (index < 0 || index >= m_list.GetCount())
        return false;
    const auto line = static_cast<uint32_t>(index);
    if (!IsMarked(index)) {
        ToggleBookmarkBit(index);
        m_currentMark = index;
        m_bookmarks.insert(std::lower_bound(m_bookmarks.begin(), m_bookmarks.end(), line), line);
        return true;
    }
    Advance(index);
    ToggleBookmarkBit(index);
    if (const int position = Find(line); position >= 0)
        m_bookmarks.erase(m_bookmarks.begin() + position);
    return false;
}

bool Bookmarks::Add(int index) {
    if (index < 0 || index >= m_list.GetCount() || IsMarked(index))
        return false;
    ToggleBookmarkBit(index);
    m_currentMark = index;
    const auto line = static_cast<uint32_t>(index);
    m_bookmarks.insert(std::lower_bound(m_bookmarks.begin(), m_bookmarks.end(), line), line);
    return true;
}

void Bookmarks::AddAll(const std::vector<int>& sortedIndices) {
    const size_t before = m_bookmarks.size();
    // Once there is room, nothing below allocates (a merge without a buffer works in
    // place), so a bulk add is all or nothing.
    m_bookmarks.reserve(before + sortedIndices.size());
    for (const int index : sortedIndices) {
        if (index < 0 || index >= m_list.GetCount() || IsMarked(index))
            continue;
        ToggleBookmarkBit(index);
        m_currentMark = index;
        m_bookmarks.push_back(static_cast<uint32_t>(index));
    }
    // Both runs are ascending: one merge. Inserting every line at its place instead would
    // shift the array once a line, quadratic when many lines come before old bookmarks.
    std::inplace_merge(m_bookmarks.begin(), m_bookmarks.begin() + static_cast<std::ptrdiff_t>(before),
                       m_bookmarks.end());
}

void Bookmarks::Advance(int index) {
    if (m_bookmarks.size() == 1) {
        m_currentMark = -1;
        return;
    }
    if (index < 0)
        return;
    const int position = Find(static_cast<uint32_t>(index));
    if (position < 0)
        return;
    const size_t next = static_cast<size_t>(position) + 1;
    m_currentMark = static_cast<int>(next == m_bookmarks.size() ? m_bookmarks.front() : m_bookmarks[next]);
}

void Bookmarks::Reset() {
    m_bookmarks.clear();
    m_currentMark = -1;
}
