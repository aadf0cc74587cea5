// TextArena: bytes of many short texts kept in large blocks, never one allocation per
// text. A stored text keeps its address until the arena is cleared or destroyed.
//
// Owned by value by whoever keeps the texts (the line store, a display list). Not
// thread-safe: one thread at a time.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "core/BigBlock.h"

class TextArena {
public:
    static constexpr size_t kBlockSize = 4u << 20;

    TextArena() = default;
    TextArena(const TextArena&) = delete;
    TextArena& operator=(const TextArena&) = delete;
    TextArena(TextArena&&) noexcept = default;
    TextArena& operator=(TextArena&&) noexcept = default;

    // Copies `text` into the arena and returns the copy.
    std::string_view Store(std::string_view text);
    // Takes `block` over: texts already in it keep their addresses and live as long as
    // the arena's own. The arena does not write into it.
    void Adopt(BigBlock block);
    // Frees every block; every text handed out before is gone.
    void Clear();
    // Bytes of all blocks, used or not.
    size_t BytesReserved() const { return m_reserved; }

private:
    std::vector<BigBlock> m_blocks;
    char* m_cursor = nullptr;
    size_t m_left = 0;
    size_t m_reserved = 0;
};
