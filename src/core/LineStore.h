// LineStore: every line a log view received, in file order, for the life of the view.
//
// Entries live at stable addresses (a refill hands their addresses to the GUI thread one
// by one), their texts in large blocks of a TextArena. Owned by the log view; used on the
// GUI thread, and read (never changed) by a refill worker while the view guarantees the
// store does not change.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/ChunkedVector.h"
#include "core/TextArena.h"

class LogLineEntry {
public:
    LogLineEntry(std::string_view text, int colourIndex, int level);

    // The line with its leading and trailing white space removed.
    std::string_view Text() const { return {m_text, m_length}; }
    // Copied from the line's level slot at intake; 0 for an unclassified line.
    int ColourIndex() const { return m_colourIndex; }
    // 0..9, or -1 for a line that matched no level.
    int Level() const { return m_level; }

private:
    const char* m_text;
    uint32_t m_length;
    // Indices outside 0..15 all draw black, so a value beyond int16 is kept as the
    // nearest int16, which draws the same.
    int16_t m_colourIndex;
    int8_t m_level;

public:
    // Set by each refill to whether the line was left out (lines with a level only).
    bool hidden = false;
};
static_assert(sizeof(LogLineEntry) <= 16, "a line entry is paid for every line of a log");

class LineStore {
public:
    LineStore() = default;
    LineStore(const LineStore&) = delete;
    LineStore& operator=(const LineStore&) = delete;

    // Copies `raw` into the store's text blocks; the copy lives as long as the store's
    // entries do (until Clear). Intake keeps a line once and lets both the entry and the
    // display item refer to it.
    std::string_view Keep(std::string_view raw) { return m_texts.Store(raw); }
    // Takes over a block of line bytes (a reader's batch): its lines are kept where they
    // are, without a copy.
    void AdoptBytes(BigBlock block) { m_texts.Adopt(std::move(block)); }
    // Adds an entry at the tail whose text is `kept`, bytes returned by Keep.
    LogLineEntry* AppendKept(int level, int colourIndex, std::string_view kept);
    // Makes room for `count` entries in all, so that appending up to that many cannot fail.
    // Throws std::bad_alloc when the room cannot be had; the store stays as it was.
    void Reserve(size_t count) { m_entries.reserve(count); }

    bool IsEmpty() const { return m_entries.empty(); }
    size_t GetCount() const { return m_entries.size(); }
    LogLineEntry& operator[](size_t i) { return m_entries[i]; }
    const LogLineEntry& operator[](size_t i) const { return m_entries[i]; }

    // Deletes every entry and their texts.
    void Clear();
    size_t BytesReserved() const { return m_texts.BytesReserved(); }

private:
    ChunkedVector<LogLineEntry> m_entries;
    TextArena m_texts;
};
