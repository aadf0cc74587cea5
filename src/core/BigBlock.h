// Large memory blocks for bulk storage (line texts, line entries, list items).
//
// Blocks come straight from the kernel, 2 MiB aligned and marked for transparent huge
// pages where the system offers them: filling gigabytes of text then costs a few
// thousand page faults instead of a few hundred thousand.
#pragma once

#include <cstddef>
#include <utility>

class BigBlock {
public:
    BigBlock() = default;
    // A block of at least `bytes` bytes (rounded up); throws std::bad_alloc when the
    // memory cannot be had.
    explicit BigBlock(size_t bytes);
    // The same block with every page written once, so whoever fills it later does not
    // pay for the first touch of fresh memory.
    static BigBlock Touched(size_t bytes);
    ~BigBlock();
    BigBlock(BigBlock&& other) noexcept
        : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)) {}
    BigBlock& operator=(BigBlock&& other) noexcept {
        std::swap(m_data, other.m_data);
        std::swap(m_size, other.m_size);
        return *this;
    }
    BigBlock(const BigBlock&) = delete;
    BigBlock& operator=(const BigBlock&) = delete;

    char* Data() const { return m_data; }
    size_t Size() const { return m_size; }

private:
    char* m_data = nullptr;
    size_t m_size = 0;
};

// Marks the whole 2 MiB pages inside [data, data + bytes) of memory that came from
// elsewhere (a large malloc) for transparent huge pages, before it is first written.
void AdviseHugePages(void* data, size_t bytes);
