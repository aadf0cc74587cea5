// CLogViewCore: the part of a log view that needs no window: the line store, the level
// slots and filter, classification, intake of loaded lines, the end-of-load step, the
// refill of the display list, and the bookmark fields the commands keep.
//
// The log view (a widget) derives from it and routes its messages here; tests drive it
// on a bare DisplayList. Every member runs on the GUI thread.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "app/LevelConfig.h"
#include "loader/Messages.h"
#include "platform/DisplayList.h"
#include "view/LineStore.h"
#include "view/Palette.h"

struct LineRecord;

struct LevelFilter {
    bool show;
    bool present;
};

// Pair 0 is the unclassified lines ("Raw"); pair k (1..10) is level k-1.
inline constexpr int kFilterCount = kLevelCount + 1;
using LevelFilterTable = std::array<LevelFilter, kFilterCount>;

class CLogViewCore {
public:
    // `logList` is the display list the view shows; it must outlive the core. The slots
    // are copied now: a view classifies with the levels known when it was made.
    explicit CLogViewCore(DisplayList& logList, const LevelSlotTable& levelSlots = g_levelSlots);
    virtual ~CLogViewCore() = default;
    CLogViewCore(const CLogViewCore&) = delete;
    CLogViewCore& operator=(const CLogViewCore&) = delete;

    // The lowest-numbered level whose name first occurs in `text` at a position after
    // its first byte, or -1. Case-sensitive, on bytes.
    int ClassifyLine(std::string_view text) const;

    // UM_ADD_LINE: lParam a LineRecord*. Classifies, stores and shows the line, marks the
    // record consumed. The record's memory belongs to its batch, which frees it. Throws
    // std::bad_alloc when memory runs out; the line is then neither stored nor shown, and
    // the store and the list stay in step.
    LRESULT OnAddLine(WPARAM wParam, LPARAM lParam);
    // The same for a record at hand.
    void AddLine(LineRecord& record);
    // UM_LOAD_DONE: records which levels occurred.
    LRESULT OnLoadDone(WPARAM wParam, LPARAM lParam);
    // UM_REFILL_LINE: lParam a LogLineEntry* of this view's store; shows it again if its
    // level is shown. The entry stays the store's.
    LRESULT OnRefillLine(WPARAM wParam, LPARAM lParam);
    void RefillLine(LogLineEntry& entry);

    // Adds an entry with the trimmed `text` at the tail of the store.
    void AppendLineEntry(int level, int colourIndex, std::string_view text);
    // Appends `text` to the display list in the palette colour of `colourIndex`.
    void AddColouredLine(int colourIndex, std::string_view text);
    // Appends `text` with item data 0.
    void AddPlainLine(std::string_view text);
    // Empties the store, freeing every entry.
    void FreeLineEntries();

    DisplayList& LogList() { return m_logList; }
    const DisplayList& LogList() const { return m_logList; }

    LineStore m_lineEntries;
    LevelFilterTable m_levelFilter;
    LevelSlotTable m_levelSlots;
    // Display-list indices of bookmarked lines, ascending.
    std::vector<uint32_t> m_bookmarks;
    // Display-list index of the current bookmark, -1 for none.
    int m_currentMark = -1;
    // The line being edited in place (-1: none) and its item data when the edit began.
    int m_editIndex = -1;
    uint32_t m_editItemData = 0;

protected:
    DisplayList& m_logList;
};
