// DisplayList: the Qt-free model behind every list box of the program, with the
// semantics of the original platform's list box: items of text plus a 32-bit data word,
// a selected bit per item, a caret, an anchor, and the LB_ operations the commands use.
//
// Indices are display-list positions (int, as the list-box API has them); LB_ERR (-1)
// reports a bad index. Item texts are bytes: either copied into the list's own arena
// (AddString, InsertString), referred to (AddStringRef), in which case the owner of
// those bytes keeps them alive as long as the item exists or until ResetContent, or a
// line of the line store the list was given (AddLine), which must outlive such items.
//
// A line of the store costs the list a byte of flags (selected, bookmarked, trimmed) and,
// unless every item is the store's line of the same index (as after a load), four bytes
// for the line's number in the store; its text and its colour word are the store's. Every other item (an
// edited line, a separator, a dialog's entry) is kept in a side table of its own.
//
// Used on the GUI thread only. One observer (the list widget) hears of every change.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "core/ChunkedVector.h"
#include "core/LineRecord.h"
#include "core/TextArena.h"

class LineStore;

inline constexpr int LB_ERR = -1;

class DisplayListObserver {
public:
    virtual ~DisplayListObserver() = default;
    virtual void ItemsInserted(int first, int count) = 0;
    virtual void ItemsRemoved(int first, int count) = 0;
    virtual void ContentReset() = 0;
    // Data, text or selection of the items first..last changed.
    virtual void ItemsChanged(int first, int last) = 0;
    virtual void CaretChanged(int oldCaret, int newCaret) = 0;
};

class DisplayList {
public:
    enum class SelectionMode { Single, Extended };

    explicit DisplayList(SelectionMode mode = SelectionMode::Extended) : m_mode(mode) {}
    DisplayList(const DisplayList&) = delete;
    DisplayList& operator=(const DisplayList&) = delete;

    void SetObserver(DisplayListObserver* observer) { m_observer = observer; }
    SelectionMode Mode() const { return m_mode; }
    // The store AddLine refers to. Set before the first AddLine; the owner of the store
    // keeps it alive as long as the list's items exist.
    void SetLineStore(const LineStore* store) {
        m_store = store;
        m_storeOwner.reset();
    }
    // The same, the list sharing the store's ownership: the store lives as long as this
    // list does, or until ResetContent (a copy on the clipboard outlives the log window it
    // came from).
    void SetLineStore(std::shared_ptr<const LineStore> store) {
        m_store = store.get();
        m_storeOwner = std::move(store);
    }
    const LineStore* Store() const { return m_store; }

    int GetCount() const { return static_cast<int>(m_flags.size()); }

    // LB_ADDSTRING: appends a copy of `text`; returns its index.
    int AddString(std::string_view text) { return AddItem(m_ownTexts.Store(text), 0); }
    // Appends an item whose text stays where it is (see the class comment).
    int AddStringRef(std::string_view text) { return AddItem(text, 0); }
    // Appends an item with its data word in one step.
    int AddItem(std::string_view textRef, uint32_t data);
    // Appends line `storeIndex` of the list's store: its whole text, or its text without
    // leading and trailing white space when `trimmed`; its data word is the store's
    // colour word of the line, or 0 without `storeData`.
    int AddLine(size_t storeIndex, bool trimmed, bool storeData = true);
    // Appends lines first..first+lines.size()-1 of the list's store, each as
    // AddLine(line, false) would, in one step: one insertion for the observer (or the
    // running AppendRun's). `lines` are the records the store took those lines from
    // (LineStore::AppendLines): their texts' lengths are the lines' lengths, so the store
    // is not asked line by line. Throws std::bad_alloc, changing nothing, when the room
    // cannot be had.
    void AddStoreLines(size_t first, std::span<const LineRecord> lines);
    // Appends a copy of item `index` of `other` without its data word and selection: a
    // line of the same store stays a reference to it, any other item is copied.
    int AddCopyOf(const DisplayList& other, int index);
    // Makes room for `count` items in all: appending up to that many with AddLine then
    // allocates nothing and cannot fail. Throws std::bad_alloc when the room cannot be
    // had; the list stays as it was.
    void Reserve(int count);
    // LB_INSERTSTRING: inserts a copy at `index` (-1: at the end). LB_ERR if index > count.
    int InsertString(int index, std::string_view text);
    // LB_DELETESTRING: returns the number of items left, LB_ERR for a bad index.
    int DeleteString(int index);
    // Removes every item whose index is in `sortedIndices` (ascending, no repeats) in one
    // pass. Returns the number of items left.
    int DeleteItems(const std::vector<int>& sortedIndices);
    // LB_RESETCONTENT. The item table keeps its memory for the items added next (a
    // rebuild refills the list at once); it goes with the list.
    void ResetContent();

    // While an AppendRun lives, items added with AddItem (AddString, AddStringRef) reach
    // the observer as one insertion when the run ends, not one by one: a rebuild adds
    // tens of thousands of items between two looks at the screen. Only appends may happen
    // during a run.
    class AppendRun {
    public:
        explicit AppendRun(DisplayList& list) : m_list(list), m_first(list.GetCount()) {
            ++list.m_appendRuns;
        }
        ~AppendRun() {
            if (--m_list.m_appendRuns == 0 && m_list.m_observer && m_list.GetCount() > m_first)
                m_list.m_observer->ItemsInserted(m_first, m_list.GetCount() - m_first);
        }
        AppendRun(const AppendRun&) = delete;
        AppendRun& operator=(const AppendRun&) = delete;

    private:
        DisplayList& m_list;
        int m_first;
    };

    std::string_view GetText(int index) const;
    // LB_GETITEMDATA: the data word, or LB_ERR (as 0xFFFFFFFF) for a bad index.
    uint32_t GetItemData(int index) const;
    // LB_SETITEMDATA: LB_ERR for a bad index, else 0.
    int SetItemData(int index, uint32_t data);
    // Replaces the text of one item, keeping its data and selection.
    int SetItemText(int index, std::string_view text);
    // The lowest line of the store an item refers to (SIZE_MAX when none does).
    size_t LowestStoreLine() const;
    // Whether item `index` is line `storeIndex` of the list's store (not an edited copy).
    bool IsStoreLine(int index, size_t storeIndex) const {
        return Valid(index) && (FlagsAt(index) & kOwn) == 0 && RefAt(index) == storeIndex;
    }
    // Item `index`, a line of the store, has another text and colour in the store now (a
    // line that was still being written came again, whole): its observer repaints it.
    void StoreLineChanged(int index);

    // Selection. In an extended list any set of items may be selected; in a single list
    // at most one (SetCurSel).
    // LB_SETSEL: select or deselect `index`, or every item when index is -1.
    int SetSel(int index, bool select);
    int GetSel(int index) const;
    int GetSelCount() const { return m_selectedCount; }
    // LB_GETSELITEMS: the selected indices, ascending.
    std::vector<int> GetSelItems() const;
    // LB_SELITEMRANGE: select or deselect first..last (either order).
    int SelItemRange(bool select, int first, int last);
    // Selects exactly the items first..last (either order) and deselects every other.
    // Costs the size of the range plus the span the old selection covered, not the list.
    void SelectOnly(int first, int last);
    // Changes whenever the selection changes (an item selected or deselected, a selected
    // item removed) and only then, so a caller can tell whether an operation changed the
    // selection without comparing it.
    uint64_t SelectionStamp() const { return m_selectionStamp; }

    // LB_GETCURSEL: the selected item of a single list; the caret of an extended one.
    int GetCurSel() const;
    // LB_SETCURSEL: in a single list selects `index` alone (-1: none) and puts the caret there.
    int SetCurSel(int index);
    // The item with the focus rectangle, -1 when the list is empty.
    int GetCaretIndex() const;
    int SetCaretIndex(int index);
    int GetAnchorIndex() const { return m_anchor < GetCount() ? m_anchor : GetCount() - 1; }
    int SetAnchorIndex(int index);

    // Flips `bit` in the data word of `index` and drops the item's selection, which is what
    // deleting the item and inserting it again with the new word would do; caret and
    // anchor stay. Returns 1 if the bit is now set, 0 if clear, LB_ERR for a bad index.
    int ToggleDataBit(int index, uint32_t bit);

    // The log list's search: the first item after `start` (-1: from the top; no wrapping)
    // in which `needle` occurs at a position after the first byte, or which equals
    // `needle` as a whole; the ASCII letters A-Z compare without case, other bytes as they
    // are. Only the first occurrence counts, so an item that begins with the needle is
    // found only when it is the needle. LB_ERR if none. Compares in place, no copies.
    int FindLine(int start, std::string_view needle) const;
    // Every item, ascending, that FindLine would find for at least one of `needles`: one
    // pass over the list for many needles, each item read once.
    std::vector<int> FindLinesAny(const std::vector<std::string_view>& needles) const;
    // The same for the items first..last-1 only (clamped to the list), so that threads can
    // share one search: the list must not change while they read it.
    std::vector<int> FindLinesAny(const std::vector<std::string_view>& needles, int first, int last) const;

    // Length in bytes of the longest text added since the last reset; never shrinks on
    // deletion (the scroll range may then be wider than needed, never narrower).
    size_t LongestTextLength() const { return m_longest; }

    // The items with the most bytes, longest first, at most kLongItems of them: where a
    // list widget measures the rendered width of its widest line without walking the
    // list. Appending costs one comparison unless the new item joins them. Each entry
    // carries the number it was noted under (increasing), so a reader that measured every
    // entry up to LongItemsNoted() measures only newer entries next time; a reader keeps
    // what it measured (the list's width never shrinks) until ContentEpoch() changes.
    struct LongItem {
        int index;
        uint32_t length;
        uint64_t noted;
    };
    static constexpr size_t kLongItems = 16;
    std::span<const LongItem> LongItems() const { return {m_longItems.data(), m_longItemCount}; }
    uint64_t LongItemsNoted() const { return m_longItemsNoted; }
    // Changes when the list starts over: ResetContent, or the last item removed.
    uint64_t ContentEpoch() const { return m_contentEpoch; }

    // Bytes the per-item structures hold (reserved, not only used), side table included.
    size_t IndexBytes() const;

private:
    // An item's flags. Without kOwn, its number is a line of the store.
    static constexpr uint8_t kSelected = 0x01;
    static constexpr uint8_t kOwn = 0x02;       // the number indexes m_own
    static constexpr uint8_t kTrimmed = 0x04;   // the store's line without white space at its ends
    static constexpr uint8_t kStoreData = 0x08; // the data word is the store's colour word ...
    static constexpr uint8_t kMarked = 0x10;    // ... with BOOKMARK_BIT added
    struct OwnItem {
        const char* text;
        uint32_t length;
        uint32_t data;
    };
    bool Valid(int index) const { return index >= 0 && index < GetCount(); }
    // Flags and number of the item at `index`, which the caller has checked (Valid, or
    // within the selection bounds).
    uint8_t& FlagsAt(int index) { return m_flags[static_cast<size_t>(index)]; }
    uint8_t FlagsAt(int index) const { return m_flags[static_cast<size_t>(index)]; }
    uint32_t RefAt(int index) const {
        return m_identity ? static_cast<uint32_t>(index) : m_refs[static_cast<size_t>(index)];
    }
    // Gives the list numbers of its own, item i's being i, with room for `count` in all.
    // Throws std::bad_alloc, changing nothing, when the room cannot be had.
    void Materialize(size_t count);
    bool SelectedAt(int index) const { return (FlagsAt(index) & kSelected) != 0; }
    std::string_view TextAt(int index) const;
    uint32_t DataAt(int index) const;
    // Appends an item (room for the number and flags made by the caller or here).
    int Append(uint32_t ref, uint8_t flags, size_t length);
    // Adds a side-table entry; returns its number. Throws std::bad_alloc, changing nothing.
    uint32_t AddOwn(std::string_view text, uint32_t data);
    void SetSelected(int index, bool select);
    void ClearSelectionBounds() {
        m_selLow = 0;
        m_selHigh = -1;
    }
    // Item `index` has `length` bytes now.
    void NoteLength(int index, size_t length) {
        if (length > m_longest)
            m_longest = length;
        if (m_longItemCount < kLongItems || length > m_longItems[kLongItems - 1].length)
            AddLongItem(index, length);
    }
    void AddLongItem(int index, size_t length);
    // The long items follow an insertion at `index`, removals, or a new text of one item.
    void ShiftLongItems(int index, int by);
    void DropLongItem(int index);
    void RemoveLongItems(const std::vector<int>& sortedIndices);
    void StartOver();
    void MoveCaret(int index);

    SelectionMode m_mode;
    // Items in huge-page chunks: appending ten million lines moves nothing and costs
    // few page faults. While every item is the store's line of its own index (a load, a
    // rebuild that shows every line) the numbers are not kept at all: m_identity, and
    // m_refs empty; the first item that breaks the rule gives the list its numbers.
    bool m_identity = true;
    ChunkedVector<uint32_t> m_refs;
    ChunkedVector<uint8_t> m_flags;
    std::vector<OwnItem> m_own;
    TextArena m_ownTexts;
    const LineStore* m_store = nullptr;
    std::shared_ptr<const LineStore> m_storeOwner;
    int m_selectedCount = 0;
    // Every selected item lies in m_selLow..m_selHigh (the bounds may be wider than the
    // selection, never narrower), so selection walks skip the rest of a long list.
    int m_selLow = 0;
    int m_selHigh = -1;
    uint64_t m_selectionStamp = 0;
    int m_caret = -1;
    int m_anchor = -1;
    size_t m_longest = 0;
    std::array<LongItem, kLongItems> m_longItems{};
    size_t m_longItemCount = 0;
    uint64_t m_longItemsNoted = 0;
    uint64_t m_contentEpoch = 0;
    DisplayListObserver* m_observer = nullptr;
    int m_appendRuns = 0;
};

// Every line of `list`, ascending, that the list's search (DisplayList::FindLine) finds for
// at least one of `needles`, as FindLinesAny gives them. A long list is searched by one
// thread a processor, each its own run of lines; the list must not change meanwhile.
std::vector<int> LinesHoldingAny(const DisplayList& list, const std::vector<std::string_view>& needles);
