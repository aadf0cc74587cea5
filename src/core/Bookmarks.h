// Bookmarks: the bookmarks of one log list.
//
// Three pieces of state that are kept consistent here and changed nowhere else:
// BOOKMARK_BIT in the data word of every bookmarked line of the list, `m_bookmarks` (the
// list indices of exactly those lines, ascending, no repeats) and `m_currentMark` (the
// index where the next Next Mark goes, -1 for none). Indices are positions in the list,
// not stored lines: a rebuild of the list drops every bookmark (Reset).
//
// Owned by the log view's core beside the list it marks; GUI thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class DisplayList;

class Bookmarks {
public:
    explicit Bookmarks(DisplayList& list) : m_list(list) {}
    Bookmarks(const Bookmarks&) = delete;
    Bookmarks& operator=(const Bookmarks&) = delete;

    // The bookmarked indices, ascending.
    const std::vector<uint32_t>& Indices() const { return m_bookmarks; }
    bool Empty() const { return m_bookmarks.empty(); }
    size_t Count() const { return m_bookmarks.size(); }
    bool IsMarked(int index) const;

    int CurrentMark() const { return m_currentMark; }
    // Where the next Next Mark goes (the marks view's jump); -1 for nowhere.
    void SetCurrentMark(int index) { m_currentMark = index; }

    // F2 on line `index`: an unmarked line is marked and becomes the current mark; a marked
    // one first moves the current mark past itself, then loses its mark. Either way the
    // line loses its selection, as flipping the bit does. True when the line is marked
    // afterwards; false (and nothing changes) for an index outside the list.
    bool Toggle(int index);
    // Marks line `index` unless it is marked already, and makes it the current mark; never
    // removes a mark. The line loses its selection. False when nothing changed.
    bool Add(int index);
    // Marks every line of `sortedIndices` (ascending, no repeats) that is not marked yet,
    // as Add of each in turn would (the current mark ends on the last line newly marked),
    // with one merge into the sorted indices instead of one insertion a line. Makes its
    // room first: throws std::bad_alloc, having changed nothing, when there is none.
    void AddAll(const std::vector<int>& sortedIndices);
    // Moves the current mark past the marked line `index`, wrapping from the last to the
    // first; to -1 when it is the only bookmark. Nothing for a line without a mark.
    void Advance(int index);
    // The list was emptied (a rebuild, Remove Bookmarks, the log's end): no bookmarks, no
    // current mark. The bits went with the list's items.
    void Reset();

private:
    // Position of `index` in m_bookmarks, or -1.
    int Find(uint32_t index) const;
    // Flips BOOKMARK_BIT of line `index`; the line loses its selection.
    void ToggleBookmarkBit(int index);

    DisplayList& m_list;
    std::vector<uint32_t> m_bookmarks;
    int m_currentMark = -1;
};
