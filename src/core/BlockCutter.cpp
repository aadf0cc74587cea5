#include "core/BlockCutter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <pthread.h>
#include <string_view>
#include <unistd.h>

#include "core/LevelMatcher.h"
#include "core/LineFile.h"

namespace {

// The most bytes one cut looks at: a whole piece and its CR LF.
constexpr size_t kCutWindow = CLineFile::kMaxPiece + 2;

// Reads up to `size` bytes at `offset`, all of them unless the file ends first. Returns the
// bytes read, or -1 on a read error.
ssize_t ReadAt(int fd, char* data, size_t size, uint64_t offset) {
    size_t got = 0;
    while (got < size) {
        const ssize_t n = ::pread(fd, data + got, size - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(got);
}

} // namespace

BlockCutter::BlockCutter(const LevelMatcher& matcher, size_t cutters, size_t batchLines, size_t batchBytes,
                         size_t blockBytes)
    : m_matcher(matcher), m_batchLines(batchLines), m_batchBytes(batchBytes),
      m_blockBytes(std::max(blockBytes, kCutWindow)) {
    cutters = std::max<size_t>(cutters, 1);
    // Two slots a cutter: one block is cut while the next is read.
    for (size_t k = 0; k < 2 * cutters; ++k) {
        m_jobs.push_back(std::make_unique<Job>());
        m_jobs.back()->bytes = std::make_unique_for_overwrite<char[]>(m_blockBytes);
        // Made here, so that a cutter that fills only what it was given allocates nothing.
        m_jobs.back()->marks.reserve(m_blockBytes / 64 + 1);
    }
    try {
        for (size_t k = 0; k < cutters; ++k)
            m_cutters.emplace_back([this, k, cutters] {
                pthread_setname_np(pthread_self(), "quorvix-cutter");
                CutterThread(k, cutters);
            });
    } catch (...) {
        StopCutters();
        throw;
    }
}

BlockCutter::~BlockCutter() {
    StopCutters();
}

void BlockCutter::StopCutters() {
    m_stop.store(true, std::memory_order_release);
    // A cutter waits for the next block of one of its own slots: every slot wakes it.
    for (const auto& job : m_jobs)
        job->start.release();
    for (std::thread& cutter : m_cutters)
        cutter.join();
    m_cutters.clear();
}

void BlockCutter::CutterThread(size_t cutter, size_t cutters) {
    for (size_t k = cutter;; k += cutters) {
        Job& job = *m_jobs[k % m_jobs.size()];
        job.start.acquire();
        if (m_stop.load(std::memory_order_acquire))
            return;
        Cut(job);
        job.done.release();
    }
}

void BlockCutter::Cut(Job& job) const {
    try {
        const char* const data = job.bytes.get();
        // The level names' first bytes, found for the whole block at once.
        m_matcher.MarkStarts(std::string_view(data, job.size), job.marks);
        LineBatch* batch = job.batches.back().get();
        for (size_t at = 0; at < job.size;) {
            const CLineFile::PieceCut cut = CLineFile::CutPiece(data + at, job.size - at);
            const std::string_view text(data + at, cut.text);
            if (batch->Full(text.size())) {
                job.batches.push_back(std::make_unique<LineBatch>(m_batchLines, m_batchBytes));
                batch = job.batches.back().get();
            }
            // The step is the piece as the one-thread read hands it out: its text and, when
            // it ends its line, one line feed.
            batch->Add(text, cut.endsLine ? cut.text + 1 : cut.text,
                       m_matcher.ClassifyMarked(text, at, job.marks), job.offset + at);
            at += cut.raw;
        }
    } catch (const std::bad_alloc&) {
        // The lines cut so far are whole; the calling thread hands them on and stops.
        job.failed = true;
    }
}

size_t BlockCutter::BlockEnd(const char* data, size_t got, bool atEnd) {
    if (const void* lf = ::memrchr(data, '\n', got))
        return static_cast<size_t>(static_cast<const char*>(lf) - data) + 1;
    // No line feed in the block: a line longer than the block. Its pieces are cut every
    // kMaxPiece bytes as long as no line feed lies within a cut's window, so the block ends
    // after the last piece whose window it holds whole.
    if (atEnd || got < kCutWindow)
        return 0;
    return (got - (kCutWindow - CLineFile::kMaxPiece)) / CLineFile::kMaxPiece * CLineFile::kMaxPiece;
}

uint64_t BlockCutter::Run(int fd, uint64_t from, const Hooks& hooks) {
    const size_t slots = m_jobs.size();
    size_t issued = 0;
    size_t collected = 0;
    uint64_t next = from;
    // The oldest block in flight, once cut: its batches go on, in order.
    const auto collect = [&] {
        Job& job = *m_jobs[collected++ % slots];
        job.done.acquire();
        std::vector<std::unique_ptr<LineBatch>> batches = std::move(job.batches);
        job.batches.clear();
        for (std::unique_ptr<LineBatch>& batch : batches) {
            if (!batch->Empty() && !hooks.take(std::move(batch)))
                return false;
        }
        if (job.failed)
            throw std::bad_alloc();
        return true;
    };
    for (bool atEnd = false; !atEnd;) {
        if (hooks.stopped())
            return next;
        if (issued - collected == slots && !collect())
            return next;
        Job& job = *m_jobs[issued % slots];
        const ssize_t got = ReadAt(fd, job.bytes.get(), m_blockBytes, next);
        atEnd = got < static_cast<ssize_t>(m_blockBytes);
        const size_t size = got > 0 ? BlockEnd(job.bytes.get(), static_cast<size_t>(got), atEnd) : 0;
        if (size == 0)
            break;
        job.size = size;
        job.offset = next;
        job.failed = false;
        job.batches.push_back(hooks.newBatch());
        next += size;
        ++issued;
        job.start.release();
    }
    while (collected < issued) {
        if (!collect())
            break;
    }
    return next;
}
