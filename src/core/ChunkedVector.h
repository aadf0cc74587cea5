// ChunkedVector<T>: a sequence of trivially copyable values in 2 MiB chunks.
//
// Appending never moves what is already there, so element addresses stay valid until an
// insertion or erasure before them (or Clear); growth costs no reallocation peak and the
// chunks get huge pages (BigBlock). Random access is a shift and a mask. Inserting or
// erasing in the middle moves the tail, as in a vector.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <type_traits>
#include <vector>

#include "core/BigBlock.h"

template <typename T> class ChunkedVector {
    static_assert(std::is_trivially_copyable_v<T>, "elements are moved with memmove");

public:
    static constexpr size_t kChunkBytes = 2u << 20;
    static constexpr size_t kPerChunk = [] {
        size_t n = 1;
        while (n * 2 * sizeof(T) <= kChunkBytes)
            n *= 2;
        return n;
    }();

    ChunkedVector() = default;
    ChunkedVector(const ChunkedVector&) = delete;
    ChunkedVector& operator=(const ChunkedVector&) = delete;

    size_t size() const { return m_size; }
    // Bytes of the chunks held, used or not.
    size_t BytesReserved() const { return m_chunks.size() * kPerChunk * sizeof(T); }
    bool empty() const { return m_size == 0; }

    T& operator[](size_t i) { return Slot(i); }
    const T& operator[](size_t i) const { return const_cast<ChunkedVector*>(this)->Slot(i); }
    T& back() { return Slot(m_size - 1); }

    // Where new chunks come from first: blocks of at least kChunkBytes made ready
    // elsewhere (written once already, so this thread does not pay their first touch).
    // The owner keeps `spare` alive as long as this sequence; null: fresh blocks only.
    void SetSpareChunks(std::vector<BigBlock>* spare) { m_spare = spare; }

    // Makes room for `n` elements in all, so that appending up to that many allocates
    // nothing and cannot fail. Throws std::bad_alloc when the memory cannot be had; the
    // elements stay as they were.
    void reserve(size_t n) {
        while (m_chunks.size() * kPerChunk < n)
            m_chunks.push_back(NewChunk());
    }

    // Throws std::bad_alloc when a new chunk is needed and cannot be had; the sequence
    // stays as it was.
    T& push_back(const T& value) {
        if (m_size == m_chunks.size() * kPerChunk)
            m_chunks.push_back(NewChunk());
        T& slot = Slot(m_size++);
        slot = value;
        return slot;
    }

    // Appends `count` copies of `value`, a chunk's run at a time. Throws std::bad_alloc,
    // changing nothing, when the room cannot be had.
    void append_fill(size_t count, const T& value) {
        reserve(m_size + count);
        while (count > 0) {
            const size_t run = std::min(count, kPerChunk - m_size % kPerChunk);
            std::fill_n(&Slot(m_size), run, value);
            m_size += run;
            count -= run;
        }
    }

    // The slots after the last element that can be written in place: those left in its
    // chunk (or the next chunk's, when that one is full), at most `count`, which becomes
    // their number; 0 when no chunk is reserved there. They count as elements once
    // commit_tail says how many were written. Bulk appends write a run this way instead of
    // one push_back (and its room check) per element.
    T* tail_room(size_t& count) {
        if (m_size >= m_chunks.size() * kPerChunk) {
            count = 0;
            return nullptr;
        }
        count = std::min(count, kPerChunk - m_size % kPerChunk);
        return &Slot(m_size);
    }
    void commit_tail(size_t written) { m_size += written; }

    void insert(size_t index, const T& value) {
        if (index >= m_size) {
            push_back(value);
            return;
        }
        push_back(back());
        // Move [index, size-2] up one place: runs inside one chunk with memmove, the
        // step across a chunk edge by itself.
        for (size_t p = m_size - 2; p > index;) {
            const size_t chunkStart = p / kPerChunk * kPerChunk;
            if (chunkStart == p) {
                Slot(p) = Slot(p - 1);
                --p;
                continue;
            }
            const size_t lo = chunkStart + 1 > index + 1 ? chunkStart + 1 : index + 1;
            std::memmove(&Slot(lo), &Slot(lo - 1), (p - lo + 1) * sizeof(T));
            p = lo - 1;
        }
        Slot(index) = value;
    }

    void erase(size_t index) {
        if (index >= m_size)
            return;
        // Move [index+1, size-1] down one place, the same way.
        for (size_t p = index; p + 1 < m_size;) {
            const size_t chunkEnd = (p / kPerChunk + 1) * kPerChunk;
            if (p + 1 == chunkEnd) {
                Slot(p) = Slot(p + 1);
                ++p;
                continue;
            }
            const size_t hi = chunkEnd - 1 < m_size - 1 ? chunkEnd - 1 : m_size - 1;
            std::memmove(&Slot(p), &Slot(p + 1), (hi - p) * sizeof(T));
            p = hi;
        }
        resize(m_size - 1);
    }

    // Shrinks to `n` elements (never grows), releasing chunks no longer needed.
    void resize(size_t n) {
        if (n >= m_size)
            return;
        m_size = n;
        m_chunks.resize((n + kPerChunk - 1) / kPerChunk);
    }

    void clear() {
        m_chunks.clear();
        m_chunks.shrink_to_fit();
        m_size = 0;
    }

    // Empties the sequence but keeps its chunks for the elements appended next: refilling
    // a list of millions then writes to memory already mapped instead of faulting in
    // fresh pages. The memory goes with clear(), a shrinking resize or the destructor.
    void clear_keeping_memory() { m_size = 0; }

private:
    BigBlock NewChunk() {
        if (m_spare && !m_spare->empty() && m_spare->back().Size() >= kPerChunk * sizeof(T)) {
            BigBlock block = std::move(m_spare->back());
            m_spare->pop_back();
            return block;
        }
        return BigBlock(kPerChunk * sizeof(T));
    }
    T& Slot(size_t i) { return reinterpret_cast<T*>(m_chunks[i / kPerChunk].Data())[i % kPerChunk]; }

    std::vector<BigBlock> m_chunks;
    size_t m_size = 0;
    std::vector<BigBlock>* m_spare = nullptr;
};
