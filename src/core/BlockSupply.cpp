#include "core/BlockSupply.h"

#include <new>
#include <pthread.h>

BlockSupply::BlockSupply(size_t blockBytes, size_t ready)
    : m_blockBytes(blockBytes), m_ready(ready), m_worker([this] {
          pthread_setname_np(pthread_self(), "quorvix-blocks");
          Supply();
      }) {}

BlockSupply::~BlockSupply() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wanted.notify_one();
    m_worker.join();
}

BigBlock BlockSupply::Take() {
    {
        std::lock_guard lock(m_mutex);
        if (!m_blocks.empty()) {
            BigBlock block = std::move(m_blocks.front());
            m_blocks.pop_front();
            m_wanted.notify_one();
            return block;
        }
    }
    return BigBlock(m_blockBytes);
}

void BlockSupply::Supply() {
    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            m_wanted.wait(lock, [this] { return m_stopping || m_blocks.size() < m_ready; });
            if (m_stopping)
                return;
        }
        BigBlock block;
        try {
            block = BigBlock::Touched(m_blockBytes);
        } catch (const std::bad_alloc&) {
            return; // the consumer makes its own blocks, and fails there if it must
        }
        std::lock_guard lock(m_mutex);
        m_blocks.push_back(std::move(block));
    }
}
