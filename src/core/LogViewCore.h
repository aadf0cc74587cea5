// CLogViewCore: the part of a log view that needs no window, and the data the view owns:
// the line store, the display list (the log list's model, which the list widget is
// handed), the bookmarks, the level slots and filter, classification, intake of loaded
// lines, the end-of-load step and the refill of the display list.
//
// The log view holds one and works through it; tests drive it alone. Every member runs on
// the GUI thread.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "core/Bookmarks.h"
#include "core/DisplayList.h"
#include "core/LevelConfig.h"
#include "core/LevelMatcher.h"
#include "core/LineFilter.h"
#include "core/LineStore.h"
#include "core/Palette.h"

#include "core/LineRecord.h"

struct LevelFilter {
    bool show;
    bool present;
};

// Pair 0 is the unclassified lines ("Raw"); pair k (1..10) is level k-1.
inline constexpr int kFilterCount = kLevelCount + 1;
using LevelFilterTable = std::array<LevelFilter, kFilterCount>;

class CLogViewCore : public LineSink {
public:
    // The slots are copied now: a view classifies with the levels known when it was made.
    explicit CLogViewCore(const LevelSlotTable& levelSlots = g_levelSlots);
    CLogViewCore(const CLogViewCore&) = delete;
    CLogViewCore& operator=(const CLogViewCore&) = delete;

    // ClassifyLine with this view's slots.
    int ClassifyLine(std::string_view text) const { return m_matcher.Classify(text); }

    // One loaded line: classifies, stores and shows it. The record's memory belongs to
    // its batch, which frees it. Throws std::bad_alloc when memory runs out, and
    // TooManyLines when the store holds m_lineLimit lines already; the line is then
    // neither stored nor shown, and the store and the list stay in step.
    //
    // During the load every line shows, and shows its level (a level hidden meanwhile
    // shows again). A line that arrives after the load (the file grew) shows when its level
    // is shown; a level seen for the first time then shows and becomes present. While the
    // list is held (a rebuild walks the store) it goes to the store only; the rebuild
    // shows it.
    void OnAddLine(LineRecord& record);
    // Every line of a reader's batch, in order, as OnAddLine each; the display list tells
    // its observer of them once, as one insertion. A last line that was still being
    // written (LineBatch::LastLineOpen) is taken as it is, and the first line of the next
    // batch takes its place in the store and, when it shows, in the list.
    void OnAddLines(LineBatch& batch) override;
    // Before the first line of a file (the load's, or one that took the path's place): the
    // store keeps the text of a file that fits the memory budget left, and reads that of a
    // larger one from `file`.
    void OnLoadStart(uint64_t fileBytes, FileHandle file) override;
    void OnTextSource(TextBudgetShare taken, FileHandle file) override;
    // The end of a load: records which levels occurred.
    void OnLoadDone();
    // The file was cut short or replaced: a last line still being written stays as it is.
    void CloseOpenLine() { m_openLine = false; }
    // Stored line `index` during a rebuild: shows it again, trimmed, if its level is shown,
    // and notes in the store whether it was left out.
    void OnRefillLine(size_t index);
    // Stored lines first..last-1, as OnRefillLine each; the text filters decide them
    // first, by one thread a processor.
    void OnRefillLines(size_t first, size_t last);

    // Replaces the text filters (LineFilterStack::Set); the list is not rebuilt here.
    bool SetLineFilters(std::vector<LineFilterSpec> filters, size_t* failedIndex = nullptr,
                        MatchError* error = nullptr);
    const LineFilterStack& LineFilters() const { return m_lineFilters; }
    // Whether stored line `index` passes every active text filter.
    bool PassesLineFilters(size_t index);

    // Empties the display list and the bookmarks, before the list is built again.
    void ResetForRebuild();
    // Empties the display list and the bookmarks, and the store with every line unless
    // something else shares it (a copy on the clipboard): its lines then go with the last
    // of them.
    void FreeLineEntries();

    std::shared_ptr<const LineStore> StoreOwner() const { return m_storeOwner; }
    DisplayList& LogList() { return m_logList; }
    const DisplayList& LogList() const { return m_logList; }

    // The store is shared with what may outlive the view: a copy on the clipboard, the
    // marks pane's list. The view's own reference never changes.
    std::shared_ptr<LineStore> m_storeOwner = std::make_shared<LineStore>();
    LineStore& m_lineEntries = *m_storeOwner;
    // The most lines a view takes; lower only in tests.
    size_t m_lineLimit = LineStore::kMaxLines;
    // The log list's items: every shown line, in order, referring to the store's bytes.
    DisplayList m_logList;
    LevelFilterTable m_levelFilter;
    LevelSlotTable m_levelSlots;
    // The bookmarks of the display list: their bits, indices and current mark.
    Bookmarks m_bookmarks;
    // The line being edited in place (-1: none) and its item data when the edit began.
    int m_editIndex = -1;
    uint32_t m_editItemData = 0;
    // Lines that arrive go to the store only (a rebuild walks it and will show them).
    bool m_holdList = false;

private:
    // Classifies and stores the line; its level.
    int StoreLine(LineRecord& record);
    // Takes the batch's lines from `first` on in one step when they are the load's and
    // classified; false, having taken none, when they are not or the room is missing.
    bool TakeWhole(LineBatch& batch, size_t first);
    // Shows stored line `index`, just added, as the rules of OnAddLine say.
    void ShowAddedLine(size_t index, int level);
    // OnRefillLine, the text filters' verdict given.
    void RefillLine(size_t index, bool passes);
    LineFilterStack m_lineFilters;
    // The filters' scanner of the GUI thread; null while no filter is on.
    std::unique_ptr<LineFilterStack::Checker> m_filterChecker;
    // The store's last line is the end of a file still being written.
    bool m_openLine = false;
    bool m_loaded = false;
    // Classifies with m_levelSlots, which never change.
    const LevelMatcher m_matcher{m_levelSlots};
};
