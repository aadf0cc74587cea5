// LineRecord: one line on its way from a reader thread to its log view, and LineBatch,
// the block of records a reader hands over at once.
//
// Ownership: a reader thread fills a LineBatch and hands the whole batch (by unique_ptr)
// to its reader window; the batch owns its records and their bytes. The log view takes
// each record through OnAddLine; the batch, and with it every
// record, is freed exactly once, by whoever holds its unique_ptr last (normally the
// reader window after the view took every line, or the reader's own teardown when the
// view never got them). There is no process-wide "last record" pointer: each reader
// tracks only its own batches.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <string_view>
#include <vector>

#include "core/BigBlock.h"
#include "core/FileText.h"

class LineBatch;

struct LineRecord {
    // `level` of a line nobody classified yet.
    static constexpr int8_t kNotClassified = -2;

    // The line without its line feed. Any byte may occur in it, NUL included. The bytes
    // belong to the batch the record came in.
    std::string_view text;
    // The batch the record came in. A log view may take the batch's bytes over (TakeBytes)
    // instead of copying each line.
    LineBatch* batch = nullptr;
    // The line's level (0..9, -1 for none) when its reader classified it with the view's
    // level slots, so that the GUI thread need not; kNotClassified otherwise.
    int8_t level = kNotClassified;
    // Of a classified line: the flags byte the line store keeps for it (its level and the
    // white space at its ends, LineStore::LineFlags), worked out while the text is at hand.
    uint8_t flags = 0;
    // Where the line's text starts in its file.
    uint64_t offset = 0;
};

class LineBatch {
public:
    // A batch holds at most `maxLines` lines and `maxBytes` bytes of text (at least one
    // line, however long).
    LineBatch(size_t maxLines, size_t maxBytes);
    LineBatch(const LineBatch&) = delete;
    LineBatch& operator=(const LineBatch&) = delete;

    // True when the batch takes no further line of `length` bytes.
    bool Full(size_t length) const;
    // Adds a line (without its line feed) and the progress step it stands for (its length
    // as read, line feed included), with its level when known and where it lies in its
    // file. The text is copied into the batch, and a classified line gets its store flags.
    void Add(std::string_view text, uint64_t step, int level = LineRecord::kNotClassified,
             uint64_t offset = 0);

    // Empties the batch for reuse, keeping its memory: a reader recycles its batches
    // instead of allocating fresh ones (fresh large blocks cost page faults). A batch
    // whose bytes were taken gets a new block with its next line.
    void Clear();

    // Hands the block holding the lines' bytes to a new owner, once; the records keep
    // pointing at the same bytes, which now live as long as that owner keeps the block.
    // Returns an empty block when the bytes were taken already.
    BigBlock TakeBytes();
    bool BytesTaken() const { return m_taken; }
    // True when the batch holds no block for its next lines (its bytes were taken): the
    // next Add allocates one unless ProvideBytes gives it one first.
    bool NeedsBytes() const { return m_bytes.Data() == nullptr; }
    // Gives an empty batch that needs bytes the block for its next lines, when the block
    // is large enough for a whole batch. Ignored otherwise.
    void ProvideBytes(BigBlock block);
    // Bytes of text held, and the size of the block holding them.
    size_t BytesUsed() const { return m_used; }
    size_t BytesReserved() const { return m_bytes.Size(); }

    bool Empty() const { return m_records.empty(); }
    size_t Count() const { return m_records.size(); }
    std::vector<LineRecord>& Records() { return m_records; }
    const std::vector<LineRecord>& Records() const { return m_records; }
    uint64_t StepSum() const { return m_stepSum; }
    // Whether every line came with its level (and so with its store flags), and the levels
    // (bit k for level k) of the batch's lines.
    bool AllClassified() const { return m_allClassified; }
    uint32_t LevelsSeen() const { return m_levelsSeen; }

    // Blocks carried along for the store's per-line arrays (LineStore::GiveChunks); those
    // nobody took go with Clear.
    void AddChunk(BigBlock block) { m_chunks.push_back(std::move(block)); }
    std::vector<BigBlock>& Chunks() { return m_chunks; }

    // The batch's last line is the end of a file that is still being written, without its
    // line feed yet: it may come again, longer, as the first line of a later batch, which
    // then takes its place.
    void MarkLastLineOpen() { m_lastLineOpen = true; }
    bool LastLineOpen() const { return m_lastLineOpen; }

private:
    BigBlock m_bytes;
    size_t m_capacity;
    size_t m_used = 0;
    bool m_taken = false;
    size_t m_maxLines;
    uint64_t m_stepSum = 0;
    bool m_lastLineOpen = false;
    bool m_allClassified = true;
    uint32_t m_levelsSeen = 0;
    std::vector<LineRecord> m_records;
    std::vector<BigBlock> m_chunks;
};

// What a sink throws when it holds as many lines as it can take.
class TooManyLines : public std::exception {
public:
    const char* what() const noexcept override { return "too many lines"; }
};

// What a reader hands its batches to, on the GUI thread: the log view's core.
class LineSink {
public:
    virtual ~LineSink() = default;
    // Before the first batch: the file holds `fileBytes`, and `file` is a descriptor of
    // it, for the sink to keep when it reads the lines' text from the file.
    virtual void OnLoadStart(uint64_t fileBytes, FileHandle file) {
        (void)fileBytes;
        (void)file;
    }
    // Between batches of a compressed log, whose text size nobody knows ahead: the lines
    // taken so far are kept in memory under `taken` of the budget, and when `file` is
    // open, the lines of the batches that follow lie in it (the decompressed text, in a
    // temporary file), at their records' offsets.
    virtual void OnTextSource(TextBudgetShare taken, FileHandle file) {
        (void)taken;
        (void)file;
    }
    // Takes every line of `batch`, in file order. Throws std::bad_alloc when memory runs
    // out, TooManyLines when it can take no more lines; the lines taken before stay, each
    // whole.
    virtual void OnAddLines(LineBatch& batch) = 0;
};
