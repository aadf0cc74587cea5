// BlockSupply: fresh memory made ready ahead of need by a thread of its own.
//
// The first write to a page of fresh memory costs a fault and the zeroing of the page; on
// some virtual machines that costs more than the copy that fills it. A thread that fills
// block after block (the reader of a log) takes its blocks from here instead: a worker
// keeps a few blocks ready, every page written once, on whatever processor time is spare.
//
// One consumer thread calls Take; the owner creates and destroys the supply, and the
// destructor stops and joins the worker and frees the blocks nobody took.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <thread>

#include "core/BigBlock.h"

class BlockSupply {
public:
    // Keeps up to `ready` blocks of `blockBytes` bytes ready.
    BlockSupply(size_t blockBytes, size_t ready);
    ~BlockSupply();
    BlockSupply(const BlockSupply&) = delete;
    BlockSupply& operator=(const BlockSupply&) = delete;

    // A ready block when there is one, else a new one made here (not yet written). Never
    // waits for the worker. Throws std::bad_alloc when no memory can be had.
    BigBlock Take();

private:
    void Supply();

    const size_t m_blockBytes;
    const size_t m_ready;
    std::mutex m_mutex;
    std::condition_variable m_wanted;
    std::deque<BigBlock> m_blocks;
    bool m_stopping = false;
    std::thread m_worker; // last: started once the rest exists
};
