// BlockCutter: a plain log's load cut into lines and classified on several threads.
//
// The calling thread (a log's reader) reads the file in blocks; each block is cut into
// pieces and classified on one of the cutter threads, into batches that come back to the
// calling thread in file order. A block always ends where a read of the whole file with
// CLineFile would start a piece anyway: just after a line feed, or, inside a line longer
// than the block, after whole pieces of CLineFile::kMaxPiece bytes with no line feed near
// enough to move their cuts. Cut on its own with CLineFile::CutPiece, a block so gives
// exactly the pieces, texts, offsets, progress steps and levels the one-thread read gives.
//
// The cut stops where no block can be closed: at the end of the file as read, whose last
// line may lack its line feed or still be being written. Run returns that offset, and the
// reader reads on from there with CLineFile, whose rules for such a line apply unchanged.
//
// Memory in flight is bounded: two blocks a cutter (one cut while the next is read), each
// with the batches cut from it until the calling thread has passed them on. A stop (asked
// between blocks) leaves every cutter within the block it cuts; the destructor stops and
// joins every cutter before anything they use is freed.
//
// Ownership: one object per load, used by the thread that made it. The matcher and the
// batches' hooks must outlive it; the batches cut belong to the object until Run passes
// each one on.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <semaphore>
#include <thread>
#include <vector>

#include "core/LineRecord.h"

class LevelMatcher;

class BlockCutter {
public:
    // Cutter threads for a machine of `cores` processors: one a processor, at most eight.
    // The GUI thread takes a load's batches in a few nanoseconds a line, far less than a
    // processor of its own; the reader thread mostly waits for the file. Past eight,
    // reading the file is what bounds a load.
    static size_t CuttersFor(unsigned cores) { return std::clamp<size_t>(cores, 1, 8); }

    // Starts `cutters` threads (at least one), which fill batches of at most `batchLines`
    // lines and `batchBytes` bytes from blocks of `blockBytes` (at least a whole piece and
    // its CR LF). Throws std::system_error when a thread cannot be had.
    BlockCutter(const LevelMatcher& matcher, size_t cutters, size_t batchLines, size_t batchBytes,
                size_t blockBytes);
    ~BlockCutter();
    BlockCutter(const BlockCutter&) = delete;
    BlockCutter& operator=(const BlockCutter&) = delete;

    struct Hooks {
        // The batch a block's lines start in (further ones, when it is full, are made by the
        // cutter). Called on the calling thread.
        std::function<std::unique_ptr<LineBatch>()> newBatch;
        // Takes a filled batch, in file order; false stops the cut.
        std::function<bool(std::unique_ptr<LineBatch>)> take;
        // Asked before each block: true stops the cut.
        std::function<bool()> stopped;
    };
    // Cuts `fd` (a plain file) from `from`, where a piece starts, on to the end of the file
    // as read, and returns where the cut stopped: the start of the first piece not cut. A
    // read error stops the cut there too (reading on from there meets it again). Throws
    // std::bad_alloc when memory runs out, after every batch cut before was taken.
    uint64_t Run(int fd, uint64_t from, const Hooks& hooks);

    // How many bytes of `got`, read at a piece's start, a block holds: through the last line
    // feed, else whole pieces no line feed can move (0: none, or `atEnd` of the file, where
    // a last line without its line feed is left to the caller).
    static size_t BlockEnd(const char* data, size_t got, bool atEnd);

private:
    struct Job {
        std::unique_ptr<char[]> bytes;
        size_t size = 0;
        uint64_t offset = 0;
        std::vector<std::unique_ptr<LineBatch>> batches;
        std::vector<uint64_t> marks; // the cutter's: where level names may start
        bool failed = false;         // memory ran out while cutting
        // Released by the calling thread when the block is read, by its cutter when cut.
        std::counting_semaphore<> start{0};
        std::counting_semaphore<> done{0};
    };
    void CutterThread(size_t cutter, size_t cutters);
    void StopCutters();
    void Cut(Job& job) const;

    const LevelMatcher& m_matcher;
    const size_t m_batchLines;
    const size_t m_batchBytes;
    const size_t m_blockBytes;
    std::atomic<bool> m_stop{false};
    // Job k goes to slot k % size and to cutter k % cutters: a slot serves one cutter only.
    std::vector<std::unique_ptr<Job>> m_jobs;
    std::vector<std::thread> m_cutters; // last: started once the rest exists
};
