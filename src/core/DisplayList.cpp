#include "core/DisplayList.h"

#include "core/Parallel.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

#include "core/ByteText.h"
#include "core/LineStore.h"
#include "core/Palette.h"

void DisplayList::Reserve(int count) {
    const size_t n = count > 0 ? static_cast<size_t>(count) : 0;
    if (!m_identity)
        m_refs.reserve(n);
    m_flags.reserve(n);
}

void DisplayList::Materialize(size_t count) {
    if (!m_identity)
        return;
    m_refs.reserve(std::max(count, m_flags.size()));
    for (size_t i = 0; i < m_flags.size(); ++i)
        m_refs.push_back(static_cast<uint32_t>(i));
    m_identity = false;
}

int DisplayList::Append(uint32_t ref, uint8_t flags, size_t length) {
    // Both pushes cannot fail once the first has room: reserve both up front.
    Reserve(GetCount() + 1);
    if (m_identity && ((flags & kOwn) || ref != m_flags.size()))
        Materialize(m_flags.size() + 1);
    if (!m_identity)
        m_refs.push_back(ref);
    m_flags.push_back(flags);
    const int index = GetCount() - 1;
    NoteLength(index, length);
    if (m_observer && m_appendRuns == 0)
        m_observer->ItemsInserted(index, 1);
    return index;
}

uint32_t DisplayList::AddOwn(std::string_view text, uint32_t data) {
    // Texts are far below 4 GiB; a longer one is cut.
    const auto length = static_cast<uint32_t>(std::min<size_t>(text.size(), 0xffffffffu));
    m_own.push_back(OwnItem{text.data(), length, data});
    return static_cast<uint32_t>(m_own.size() - 1);
}

int DisplayList::AddItem(std::string_view textRef, uint32_t data) {
    Reserve(GetCount() + 1);
    return Append(AddOwn(textRef, data), kOwn, textRef.size());
}

int DisplayList::AddLine(size_t storeIndex, bool trimmed, bool storeData) {
    const auto flags = static_cast<uint8_t>((trimmed ? kTrimmed : 0) | (storeData ? kStoreData : 0));
    return Append(static_cast<uint32_t>(storeIndex), flags, m_store->TextLengthAtMost(storeIndex, trimmed));
}

void DisplayList::AddStoreLines(size_t first, std::span<const LineRecord> lines) {
    const size_t count = lines.size();
    if (count == 0)
        return;
    const size_t at = m_flags.size();
    const size_t total = at + count;
    Reserve(static_cast<int>(std::min<size_t>(total, INT32_MAX)));
    // Items that are the store's lines of their own index keep the list without numbers.
    if (m_identity && first != at)
        Materialize(total);
    if (!m_identity) {
        for (size_t k = 0; k < count; ++k)
            m_refs.push_back(static_cast<uint32_t>(first + k));
    }
    m_flags.append_fill(count, kStoreData);
    // A line is noted only when it is longer than the shortest of the long items (once
    // there are enough of them): one compare a line.
    size_t shortest = m_longItemCount < kLongItems ? 0 : m_longItems[kLongItems - 1].length;
    for (size_t k = 0; k < count; ++k) {
        // The store keeps at most 4 GiB - 1 bytes of a line.
        const size_t length = std::min<size_t>(lines[k].text.size(), 0xffffffffu);
        if (length > shortest || m_longItemCount < kLongItems) {
            NoteLength(static_cast<int>(at + k), length);
            shortest = m_longItemCount < kLongItems ? 0 : m_longItems[kLongItems - 1].length;
        }
    }
    if (m_observer && m_appendRuns == 0)
        m_observer->ItemsInserted(static_cast<int>(at), static_cast<int>(count));
}

size_t DisplayList::LowestStoreLine() const {
    size_t lowest = SIZE_MAX;
    for (int i = 0; i < GetCount(); ++i) {
        if ((FlagsAt(i) & kOwn) == 0)
            lowest = std::min<size_t>(lowest, RefAt(i));
    }
    return lowest;
}

void DisplayList::StoreLineChanged(int index) {
    if (!Valid(index))
        return;
    DropLongItem(index);
    NoteLength(index, TextAt(index).size());
    if (m_observer)
        m_observer->ItemsChanged(index, index);
}

int DisplayList::AddCopyOf(const DisplayList& other, int index) {
    if (!other.Valid(index))
        return LB_ERR;
    const uint8_t flags = other.FlagsAt(index);
    if ((flags & kOwn) == 0 && m_store != nullptr && other.m_store == m_store)
        return AddLine(other.RefAt(index), (flags & kTrimmed) != 0, false);
    return AddString(other.TextAt(index));
}

std::string_view DisplayList::TextAt(int index) const {
    const uint8_t flags = FlagsAt(index);
    const uint32_t ref = RefAt(index);
    if (flags & kOwn) {
        const OwnItem& own = m_own[ref];
        return {own.text, own.length};
    }
    return (flags & kTrimmed) ? m_store->Text(ref) : m_store->WholeText(ref);
}

uint32_t DisplayList::DataAt(int index) const {
    const uint8_t flags = FlagsAt(index);
    const uint32_t ref = RefAt(index);
    if (flags & kOwn)
        return m_own[ref].data;
    const uint32_t base = (flags & kStoreData) ? m_store->ItemData(ref) : 0;
    return (flags & kMarked) ? base | BOOKMARK_BIT : base;
}

int DisplayList::InsertString(int index, std::string_view text) {
    if (index == -1)
        index = GetCount();
    if (index < 0 || index > GetCount())
        return LB_ERR;
    Materialize(m_flags.size() + 1);
    Reserve(GetCount() + 1);
    const std::string_view kept = m_ownTexts.Store(text);
    const uint32_t ref = AddOwn(kept, 0);
    m_refs.insert(static_cast<size_t>(index), ref);
    m_flags.insert(static_cast<size_t>(index), kOwn);
    ShiftLongItems(index, 1);
    NoteLength(index, text.size());
    // Positions at or above the new item move down one; an insert at the caret's own
    // position leaves the caret on that position (delete + insert keeps it in place).
    if (m_caret > index)
        ++m_caret;
    if (m_anchor > index)
        ++m_anchor;
    if (m_selectedCount > 0) {
        if (index <= m_selLow)
            ++m_selLow;
        if (index <= m_selHigh)
            ++m_selHigh;
    }
    if (m_observer)
        m_observer->ItemsInserted(index, 1);
    return index;
}

int DisplayList::DeleteString(int index) {
    if (!Valid(index))
        return LB_ERR;
    // The last item goes without numbers; any other moves those below it.
    if (index != GetCount() - 1)
        Materialize(m_flags.size());
    if (SelectedAt(index)) {
        --m_selectedCount;
        ++m_selectionStamp;
    }
    if (!m_identity)
        m_refs.erase(static_cast<size_t>(index));
    m_flags.erase(static_cast<size_t>(index));
    DropLongItem(index);
    ShiftLongItems(index, -1);
    if (m_caret > index)
        --m_caret;
    if (m_anchor > index)
        --m_anchor;
    if (m_selectedCount == 0) {
        ClearSelectionBounds();
    } else {
        if (index < m_selLow)
            --m_selLow;
        if (index <= m_selHigh)
            --m_selHigh;
    }
    if (m_flags.empty())
        StartOver();
    if (m_observer)
        m_observer->ItemsRemoved(index, 1);
    return GetCount();
}

int DisplayList::DeleteItems(const std::vector<int>& sortedIndices) {
    if (sortedIndices.empty())
        return GetCount();
    // A list without numbers keeps going without when only its tail goes; otherwise it gets
    // the numbers of the items that stay, in the same pass (room first, so that nothing
    // changes when it cannot be had).
    const size_t count = m_flags.size();
    const size_t removing =
        static_cast<size_t>(std::count_if(sortedIndices.begin(), sortedIndices.end(),
                                          [&](int i) { return i >= 0 && static_cast<size_t>(i) < count; }));
    const bool tailOnly = removing == sortedIndices.size() && removing > 0 &&
                          static_cast<size_t>(sortedIndices.front()) == count - removing;
    const bool numbering = m_identity && !tailOnly;
    if (numbering)
        m_refs.reserve(count - removing);
    // One compaction pass; caret and anchor move up by the number of removed items
    // before them.
    size_t next = 0;
    size_t out = 0;
    int removedBeforeCaret = 0;
    int removedBeforeAnchor = 0;
    ClearSelectionBounds();
    RemoveLongItems(sortedIndices);
    for (size_t i = 0; i < count; ++i) {
        const int index = static_cast<int>(i);
        const bool selected = (m_flags[i] & kSelected) != 0;
        if (next < sortedIndices.size() && sortedIndices[next] == index) {
            ++next;
            if (selected) {
                --m_selectedCount;
                ++m_selectionStamp;
            }
            if (index < m_caret)
                ++removedBeforeCaret;
            if (index < m_anchor)
                ++removedBeforeAnchor;
            continue;
        }
        if (selected) {
            if (m_selHigh < 0)
                m_selLow = static_cast<int>(out);
            m_selHigh = static_cast<int>(out);
        }
        if (numbering)
            m_refs.push_back(static_cast<uint32_t>(i));
        else if (!m_identity)
            m_refs[out] = m_refs[i];
        m_flags[out] = m_flags[i];
        ++out;
    }
    if (numbering)
        m_identity = false;
    else if (!m_identity)
        m_refs.resize(out);
    m_flags.resize(out);
    m_caret -= removedBeforeCaret;
    m_anchor -= removedBeforeAnchor;
    if (m_flags.empty())
        StartOver();
    if (m_observer)
        m_observer->ContentReset();
    return GetCount();
}

void DisplayList::ResetContent() {
    // A list that shares its store's ownership lets go of it with its last item.
    if (m_storeOwner) {
        m_storeOwner.reset();
        m_store = nullptr;
    }
    m_flags.clear_keeping_memory();
    if (m_selectedCount > 0)
        ++m_selectionStamp;
    m_selectedCount = 0;
    ClearSelectionBounds();
    StartOver();
    if (m_observer)
        m_observer->ContentReset();
}

void DisplayList::StartOver() {
    // An empty list starts again without numbers.
    m_identity = true;
    m_refs.clear();
    m_caret = m_anchor = -1;
    m_own.clear();
    m_ownTexts.Clear();
    m_longest = 0;
    m_longItemCount = 0;
    ++m_contentEpoch;
}

size_t DisplayList::IndexBytes() const {
    return m_refs.BytesReserved() + m_flags.BytesReserved() + m_own.capacity() * sizeof(OwnItem);
}

void DisplayList::AddLongItem(int index, size_t length) {
    const uint32_t clipped = static_cast<uint32_t>(std::min<size_t>(length, 0x7fffffffu));
    // Longest first; among equals the older entry stays in front.
    size_t at = 0;
    while (at < m_longItemCount && m_longItems[at].length >= clipped)
        ++at;
    if (at == kLongItems)
        return;
    const size_t last = std::min(m_longItemCount, kLongItems - 1);
    for (size_t i = last; i > at; --i)
        m_longItems[i] = m_longItems[i - 1];
    m_longItems[at] = LongItem{index, clipped, ++m_longItemsNoted};
    m_longItemCount = std::min(m_longItemCount + 1, kLongItems);
}

void DisplayList::ShiftLongItems(int index, int by) {
    for (size_t i = 0; i < m_longItemCount; ++i) {
        if (m_longItems[i].index >= index)
            m_longItems[i].index += by;
    }
}

void DisplayList::DropLongItem(int index) {
    // A removed item leaves a gap that the next long item fills; what the reader measured
    // of the removed one stays in its width (widths never shrink).
    size_t out = 0;
    for (size_t i = 0; i < m_longItemCount; ++i) {
        if (m_longItems[i].index != index)
            m_longItems[out++] = m_longItems[i];
    }
    m_longItemCount = out;
}

void DisplayList::RemoveLongItems(const std::vector<int>& sortedIndices) {
    size_t out = 0;
    for (size_t i = 0; i < m_longItemCount; ++i) {
        LongItem item = m_longItems[i];
        const auto at = std::lower_bound(sortedIndices.begin(), sortedIndices.end(), item.index);
        if (at != sortedIndices.end() && *at == item.index)
            continue;
        item.index -= static_cast<int>(at - sortedIndices.begin());
        m_longItems[out++] = item;
    }
    m_longItemCount = out;
}

std::string_view DisplayList::GetText(int index) const {
    if (!Valid(index))
        return {};
    return TextAt(index);
}

uint32_t DisplayList::GetItemData(int index) const {
    return Valid(index) ? DataAt(index) : static_cast<uint32_t>(LB_ERR);
}

int DisplayList::SetItemData(int index, uint32_t data) {
    if (!Valid(index))
        return LB_ERR;
    uint8_t& flags = FlagsAt(index);
    if (flags & kOwn) {
        m_own[RefAt(index)].data = data;
    } else {
        const uint32_t base = (flags & kStoreData) ? m_store->ItemData(RefAt(index)) : 0;
        if ((data & ~BOOKMARK_BIT) == base) {
            flags = static_cast<uint8_t>((data & BOOKMARK_BIT) ? flags | kMarked : flags & ~kMarked);
        } else {
            // A word the store's line does not give: the item gets an entry of its own,
            // still on the store's bytes.
            Materialize(m_flags.size());
            const uint32_t ref = AddOwn(TextAt(index), data);
            m_refs[static_cast<size_t>(index)] = ref;
            flags = static_cast<uint8_t>(kOwn | (flags & kSelected));
        }
    }
    if (m_observer)
        m_observer->ItemsChanged(index, index);
    return 0;
}

int DisplayList::SetItemText(int index, std::string_view text) {
    if (!Valid(index))
        return LB_ERR;
    const std::string_view kept = m_ownTexts.Store(text);
    uint8_t& flags = FlagsAt(index);
    if (flags & kOwn) {
        OwnItem& own = m_own[RefAt(index)];
        own.text = kept.data();
        own.length = static_cast<uint32_t>(std::min<size_t>(kept.size(), 0xffffffffu));
    } else {
        Materialize(m_flags.size());
        const uint32_t ref = AddOwn(kept, DataAt(index));
        m_refs[static_cast<size_t>(index)] = ref;
        flags = static_cast<uint8_t>(kOwn | (flags & kSelected));
    }
    DropLongItem(index);
    NoteLength(index, text.size());
    if (m_observer)
        m_observer->ItemsChanged(index, index);
    return 0;
}

void DisplayList::SetSelected(int index, bool select) {
    uint8_t& flags = FlagsAt(index);
    if (((flags & kSelected) != 0) == select)
        return;
    ++m_selectionStamp;
    if (select) {
        flags = static_cast<uint8_t>(flags | kSelected);
        if (m_selectedCount++ == 0) {
            m_selLow = m_selHigh = index;
        } else {
            m_selLow = std::min(m_selLow, index);
            m_selHigh = std::max(m_selHigh, index);
        }
    } else {
        flags = static_cast<uint8_t>(flags & ~kSelected);
        if (--m_selectedCount == 0)
            ClearSelectionBounds();
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
        else if (SelectedAt(index))
            SetCurSel(-1);
        return 0;
    }
    if (index == -1) {
        if (m_flags.empty())
            return 0;
        return SelItemRange(select, 0, GetCount() - 1);
    }
    if (!Valid(index))
        return LB_ERR;
    SetSelected(index, select);
    if (m_observer)
        m_observer->ItemsChanged(index, index);
    return 0;
}

int DisplayList::GetSel(int index) const {
    if (!Valid(index))
        return LB_ERR;
    return SelectedAt(index) ? 1 : 0;
}

std::vector<int> DisplayList::GetSelItems() const {
    std::vector<int> out;
    out.reserve(static_cast<size_t>(m_selectedCount));
    if (m_selectedCount == 0)
        return out;
    for (int i = m_selLow; i <= m_selHigh && static_cast<int>(out.size()) < m_selectedCount; ++i) {
        if (SelectedAt(i))
            out.push_back(i);
    }
    return out;
}

int DisplayList::SelItemRange(bool select, int first, int last) {
    if (m_mode == SelectionMode::Single)
        return LB_ERR;
    if (first > last)
        std::swap(first, last);
    if (m_flags.empty() || last < 0 || first >= GetCount())
        return LB_ERR;
    first = std::max(first, 0);
    last = std::min(last, GetCount() - 1);
    for (int i = first; i <= last; ++i)
        SetSelected(i, select);
    if (m_observer)
        m_observer->ItemsChanged(first, last);
    return 0;
}

void DisplayList::SelectOnly(int first, int last) {
    if (first > last)
        std::swap(first, last);
    const int count = GetCount();
    if (count == 0)
        return;
    // The part of first..last inside the list; it may be empty, which deselects everything.
    const int low = std::max(first, 0);
    const int high = std::min(last, count - 1);
    int changedLow = low;
    int changedHigh = high;
    if (m_selectedCount > 0) {
        // Only the span the old selection covers can hold items to deselect.
        const int oldLow = m_selLow;
        const int oldHigh = m_selHigh;
        changedLow = std::min(changedLow, oldLow);
        changedHigh = std::max(changedHigh, oldHigh);
        for (int i = oldLow; i <= oldHigh && i < low; ++i)
            SetSelected(i, false);
        for (int i = std::max(oldLow, high + 1); i <= oldHigh; ++i)
            SetSelected(i, false);
    }
    for (int i = low; i <= high; ++i)
        SetSelected(i, true);
    if (m_observer)
        m_observer->ItemsChanged(std::clamp(changedLow, 0, count - 1), std::clamp(changedHigh, 0, count - 1));
}

int DisplayList::GetCurSel() const {
    if (m_mode == SelectionMode::Extended)
        return GetCaretIndex();
    const int caret = GetCaretIndex();
    return (caret >= 0 && SelectedAt(caret)) ? caret : LB_ERR;
}

int DisplayList::SetCurSel(int index) {
    if (m_mode == SelectionMode::Extended)
        return LB_ERR;
    if (index != -1 && !Valid(index))
        return LB_ERR;
    const int old = GetCurSel();
    if (old >= 0) {
        SetSelected(old, false);
        if (m_observer)
            m_observer->ItemsChanged(old, old);
    }
    if (index >= 0) {
        SetSelected(index, true);
        MoveCaret(index);
        m_anchor = index;
        if (m_observer)
            m_observer->ItemsChanged(index, index);
    }
    return index;
}

int DisplayList::GetCaretIndex() const {
    if (m_flags.empty())
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

int DisplayList::ToggleDataBit(int index, uint32_t bit) {
    if (!Valid(index))
        return LB_ERR;
    const uint32_t data = DataAt(index) ^ bit;
    // Deselect first: SetItemData tells the observer of both.
    SetSelected(index, false);
    SetItemData(index, data);
    return (data & bit) != 0 ? 1 : 0;
}

namespace {

// Horspool's search over ASCII-lower-cased bytes, without lower-casing the text searched:
// every byte is folded as it is read. One table per search call, shared by all items.
class NoCaseSearch {
public:
    explicit NoCaseSearch(std::string_view needle) : m_needle(bytetext::LowerAscii(needle)) {
        const size_t m = m_needle.size();
        m_skip.fill(m);
        for (size_t i = 0; i + 1 < m; ++i)
            m_skip[static_cast<unsigned char>(m_needle[i])] = m - 1 - i;
    }

    size_t Size() const { return m_needle.size(); }

    bool MatchesAt(std::string_view text, size_t pos) const {
        for (size_t k = 0; k < m_needle.size(); ++k) {
            if (bytetext::LowerAscii(text[pos + k]) != m_needle[k])
                return false;
        }
        return true;
    }

    // Whether the needle occurs in `text` starting at `from` or later.
    bool OccursFrom(std::string_view text, size_t from) const {
        const size_t m = m_needle.size();
        if (text.size() < m)
            return false;
        const size_t lastStart = text.size() - m;
        for (size_t pos = from; pos <= lastStart;) {
            const char tail = bytetext::LowerAscii(text[pos + m - 1]);
            if (tail == m_needle[m - 1] && MatchesAt(text, pos))
                return true;
            pos += m_skip[static_cast<unsigned char>(tail)];
        }
        return false;
    }

private:
    std::string m_needle;
    std::array<size_t, 256> m_skip{};
};

} // namespace

namespace {

// The log list's rule for one item and one needle.
bool LineMatches(std::string_view text, const NoCaseSearch& search) {
    const size_t m = search.Size();
    if (m == 0)
        return text.empty(); // the empty needle's first occurrence is at 0: only an empty item equals it
    if (text.size() < m)
        return false;
    // A needle at the very start is the first occurrence: it counts only as the whole text.
    if (search.MatchesAt(text, 0))
        return text.size() == m;
    return search.OccursFrom(text, 1);
}

} // namespace

int DisplayList::FindLine(int start, std::string_view needle) const {
    const NoCaseSearch search(needle);
    const int count = GetCount();
    if (start >= count)
        return LB_ERR; // also keeps start + 1 from overflowing
    for (int i = std::max(start + 1, 0); i < count; ++i) {
        if (LineMatches(GetText(i), search))
            return i;
    }
    return LB_ERR;
}

std::vector<int> DisplayList::FindLinesAny(const std::vector<std::string_view>& needles) const {
    return FindLinesAny(needles, 0, GetCount());
}

std::vector<int> DisplayList::FindLinesAny(const std::vector<std::string_view>& needles, int first,
                                           int last) const {
    std::vector<NoCaseSearch> searches;
    searches.reserve(needles.size());
    for (std::string_view needle : needles)
        searches.emplace_back(needle);
    std::vector<int> found;
    if (searches.empty())
        return found;
    const int end = std::min(last, GetCount());
    for (int i = std::max(first, 0); i < end; ++i) {
        const std::string_view text = GetText(i);
        for (const NoCaseSearch& search : searches) {
            if (LineMatches(text, search)) {
                found.push_back(i);
                break;
            }
        }
    }
    return found;
}

std::vector<int> LinesHoldingAny(const DisplayList& list, const std::vector<std::string_view>& needles) {
    constexpr size_t kLinesPerPart = 256 * 1024;
    const std::vector<size_t> bounds = SplitForParallel(static_cast<size_t>(list.GetCount()), kLinesPerPart);
    const size_t parts = bounds.size() - 1;
    std::vector<std::vector<int>> found(parts);
    RunInParallel(parts, [&](size_t part) {
        found[part] =
            list.FindLinesAny(needles, static_cast<int>(bounds[part]), static_cast<int>(bounds[part + 1]));
    });
    std::vector<int> all = std::move(found[0]);
    for (size_t part = 1; part < parts; ++part)
        all.insert(all.end(), found[part].begin(), found[part].end());
    return all;
}
