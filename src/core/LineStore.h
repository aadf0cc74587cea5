// LineStore: every line a log view received, in file order, for the life of the view.
//
// A line costs five bytes here beside its text: the end of its text within the run of
// contiguous bytes it lies in (a "segment": a reader's batch block, or a block of the
// store's own arena), and one byte of flags: its level, whether it was hidden, whether it
// opens a segment and what white space it has at its ends. A line's text starts where
// the line before it ends, or at its segment's base, so no start is kept; lengths need
// neither the segment nor the text. A page table (one entry per 4096 lines) finds the
// segment of a line in one or two steps.
//
// A log that fits the memory budget keeps its text in the store (its reader's blocks,
// adopted, or the store's own arena). A larger one keeps only where each line lies in its
// file (FileText): a segment is then a run of lines that follow each other in the file,
// each separated from the next by the same number of bytes (its "gap": 1 for LF, 2 for
// CR LF, 0 between the pieces of a long line), and texts are read from the file when
// asked for. Either way a line costs the same five bytes here.
//
// A log that is followed as it grows, is rotated, or is compressed has lines of several
// sources: each segment names its own, memory or one of the store's files (the file before
// a rotation, the one after it, the part of a file that grew past the budget, a compressed
// log's temporary file), so earlier lines keep being served as they were.
//
// Owned by the log view's core and shared with what may outlive the view (a copy on the
// clipboard, the marks pane's list); used on the GUI thread, and read (never changed) by
// threads a bulk command shares its scan with while the store does not change.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "core/ChunkedVector.h"
#include "core/FileText.h"
#include "core/LineRecord.h"
#include "core/TextArena.h"

class LineStore {
public:
    // More lines than a list index (int) can reach are refused.
    static constexpr size_t kMaxLines = 0x7fffffff;

    LineStore() {
        m_colourIndex.fill(0);
        m_ends.SetSpareChunks(&m_spareChunks);
        m_flags.SetSpareChunks(&m_spareChunks);
    }
    ~LineStore() { Clear(); }
    LineStore(const LineStore&) = delete;
    LineStore& operator=(const LineStore&) = delete;

    // Where the text of a file's lines comes from, chosen before its first line arrives
    // (the load's file, or one that took its place at the path later): `fileBytes` of the
    // in-memory budget are taken (and given back with Clear) when they are left, and `file`
    // is kept for later; otherwise the text stays in `file`, read through it from then on.
    // Returns true when the text is read from the file. Lines of earlier files keep their
    // source: a store may hold lines of several files, in memory and read from files.
    bool ChooseTextSource(uint64_t fileBytes, FileHandle file);
    // The text of a compressed log: the lines so far (if any) stay in memory under `taken`
    // of the budget, which the store now holds; when `file` is open, the lines appended
    // from now on are read from it (a temporary file of the decompressed text).
    void ContinueTextIn(TextBudgetShare taken, FileHandle file);
    // `bytes` more of the current file are to come (the file grew): they are kept in memory
    // while the budget has room, and read from the file from then on once it has not.
    // Returns true when they are read from the file.
    bool TakeMoreText(uint64_t bytes);
    // Whether lines appended now are read from their file (AppendFromFile).
    bool FileBacked() const { return m_current != 0; }
    // Whether any line is read from a file.
    bool HasFileText() const { return !m_files.empty(); }
    // True once a file the store reads was found changed by another program (its texts
    // read empty since). Any thread.
    bool SourceChanged() const;
    // The lines so far are shown no more: the file they were read from was cut short, and
    // its new content is read anew. Files found changed no longer count for SourceChanged
    // (their lines read empty); FirstLiveLine() is where the lines shown start now.
    void RetireLines();
    size_t FirstLiveLine() const { return m_firstLive; }
    // Looks at the file lines are read from now (its size, its last line); true when a file
    // of the store was found changed, now or before.
    bool CheckSource() const;

    // The colour index lines of `level` (0..9) get; a view's levels are fixed for its life.
    void SetLevelColour(int level, int colourIndex);

    // Copies `raw` into the store's own blocks; the copy lives as long as the store's
    // lines do (until Clear). Intake copies a line only when its batch's block is not
    // worth adopting.
    std::string_view Keep(std::string_view raw) { return m_texts.Store(raw); }
    // Takes over a block of line bytes (a reader's batch): its lines are kept where they
    // are, without a copy.
    void AdoptBytes(BigBlock block) { m_texts.Adopt(std::move(block)); }
    // Adds a line at the tail whose whole text is `kept` (bytes returned by Keep or lying
    // in an adopted block), of `level` (-1 for none). Call Reserve first: then it cannot
    // fail. A line longer than 4 GiB keeps its first 4 GiB - 1 bytes.
    void Append(int level, std::string_view kept);
    // The same for a file-backed store: the line whose text `text` (only looked at now)
    // lies at `offset` in the file, after every line appended before.
    void AppendFromFile(int level, std::string_view text, uint64_t offset);
    // The flags byte AddEntry keeps for a line of `level` whose whole text is `text`: its
    // level and the white space at its ends. A reader works it out where the text is
    // still in its cache, so the GUI thread never reads the text to take a line in.
    static uint8_t LineFlags(int level, std::string_view text);
    // Adds `records`' lines at the tail at once, each with the flags the reader gave it
    // (LineRecord::flags): as Append with the text `shift` bytes from the record's (its
    // copy), or, when the store is file-backed, as AppendFromFile. Call Reserve first.
    void AppendLines(std::span<const LineRecord> records, uintptr_t shift);
    // Per-line bytes the store's arrays grow by (the end and the flags of a line).
    static constexpr size_t kIndexBytesPerLine = sizeof(uint32_t) + sizeof(uint8_t);
    // Takes `blocks` (of ChunkedVector's chunk size, each page written once by a reader's
    // helper thread) for its per-line arrays to grow into, so that the GUI thread does not
    // pay the first touch of that memory; keeps a few at most, the rest go.
    void GiveChunks(std::vector<BigBlock>& blocks);
    // Removes the last line (a line that was still being written, read again whole).
    void RemoveLast();
    // Makes room for `count` lines in all, so that appending up to that many cannot fail.
    // Throws std::bad_alloc when the room cannot be had; the store stays as it was.
    void Reserve(size_t count);

    bool IsEmpty() const { return m_ends.empty(); }
    size_t GetCount() const { return m_ends.size(); }

    // A line's text. Of a file-backed store, it stays valid until the same thread has
    // read FileText::kWindows - 1 further windows of the file (two texts may be held at
    // once), and is empty once the file was found changed.
    std::string_view WholeText(size_t i) const;
    std::string_view Text(size_t i) const;
    // The length of WholeText(i), or of Text(i) when `trimmed`; reads the line's bytes
    // only when it has white space at an end.
    size_t TextLength(size_t i, bool trimmed) const {
        const uint8_t flags = m_flags[i];
        if (trimmed && (flags & kTrimBit))
            return Text(i).size();
        const size_t whole = WholeLength(i);
        return trimmed && (flags & kOneTrailingBit) ? whole - 1 : whole;
    }
    // The same, never reading: of a file-backed store's trimmed line with white space at
    // its start, the length of its whole text.
    size_t TextLengthAtMost(size_t i, bool trimmed) const {
        if (!m_files.empty() && trimmed && (m_flags[i] & kTrimBit))
            return WholeLength(i);
        return TextLength(i, trimmed);
    }
    int Level(size_t i) const { return static_cast<int>(m_flags[i] & kLevelMask) - 1; }
    int ColourIndex(size_t i) const;
    bool Hidden(size_t i) const { return (m_flags[i] & kHiddenBit) != 0; }
    void SetHidden(size_t i, bool hidden);
    // The log list's data word of line `i` (its colour), as a loaded line gets it.
    uint32_t ItemData(size_t i) const { return m_itemData[m_flags[i] & kLevelMask]; }

    // Deletes every line and their texts.
    void Clear();
    size_t BytesReserved() const { return m_texts.BytesReserved(); }
    // Bytes the per-line structures hold (reserved, not only used).
    size_t IndexBytes() const;

private:
    static constexpr uint8_t kLevelMask = 0x0f;
    // The line's only white space at an end is one byte at its end (a space, or the CR of
    // a CRLF file): Text(i) is WholeText(i) without its last byte.
    static constexpr uint8_t kOneTrailingBit = 0x10;
    // The line is the first of its segment: its text starts at the segment's base.
    static constexpr uint8_t kOpensBit = 0x20;
    // Any other line that starts or ends with white space: Text(i) trims WholeText(i).
    static constexpr uint8_t kTrimBit = 0x40;
    static constexpr uint8_t kHiddenBit = 0x80;
    static constexpr size_t kPageShift = 12;

    // A segment's gap before its second line arrives.
    static constexpr uint8_t kGapUnknown = 0xff;

    struct Segment {
        uint64_t base; // the address of its first line's text, or its offset in the file
        size_t firstLine;
        uint8_t gap;     // bytes between two lines of the segment in the file (0 in memory)
        uint16_t source; // 0: memory; k: the file m_files[k - 1]
    };
    size_t SegmentOf(size_t i) const;
    // Bytes between the previous line's end and line i's start (0 for a line opening its
    // segment).
    uint32_t GapBefore(size_t i) const {
        if (m_flags[i] & kOpensBit)
            return 0;
        return m_files.empty() ? 0 : m_segments[SegmentOf(i)].gap;
    }
    // Where line i starts within its segment.
    uint32_t StartOf(size_t i) const { return (m_flags[i] & kOpensBit) ? 0 : m_ends[i - 1] + GapBefore(i); }
    size_t WholeLength(size_t i) const { return m_ends[i] - StartOf(i); }
    // The tail of Append and AppendFromFile: the line at `start` of the last segment, or
    // opening a new one at `base`.
    void AddEntry(int level, std::string_view text, bool opens, uint64_t base, uint64_t start) {
        AddEntry(LineFlags(level, text), text.size(), opens, base, start);
    }
    void AddEntry(uint8_t flags, size_t length, bool opens, uint64_t base, uint64_t start);
    // Append and AppendFromFile with the line's flags given.
    void AppendAt(uint8_t flags, uintptr_t address, size_t length);
    void AppendFromFileAt(uint8_t flags, uint64_t offset, size_t length);
    // AppendLines' runs: from the front of `records`, the lines that continue the last
    // segment (in memory or in the current file) within the current page, written straight
    // into the arrays. Returns how many were taken (0 when the first line opens a segment or
    // a page).
    size_t AppendRun(std::span<const LineRecord> records, uintptr_t shift);

    std::vector<BigBlock> m_spareChunks;
    ChunkedVector<uint32_t> m_ends;
    ChunkedVector<uint8_t> m_flags;
    std::vector<Segment> m_segments;
    std::vector<uint32_t> m_pageSegment;
    // Index 0: unclassified; k + 1: level k.
    std::array<int, 11> m_colourIndex;
    std::array<uint32_t, 11> m_itemData{};
    TextArena m_texts;
    // The files lines are read from, the one lines are appended from now (0: none, they are
    // kept in memory), the current file's descriptor while its lines are kept in memory (for
    // when the budget runs out), and the budget the store took.
    std::vector<std::unique_ptr<FileText>> m_files;
    std::vector<bool> m_retired;
    size_t m_firstLive = 0;
    size_t m_current = 0;
    FileHandle m_spare;
    uint64_t m_budgetTaken = 0;
};
