#include "core/TextArena.h"

#include <cstring>

std::string_view TextArena::Store(std::string_view text) {
    if (text.empty())
        return {};
    if (text.size() > m_left) {
        // A text larger than a quarter block gets a block of its own, so the current
        // block is not abandoned half empty for it.
        const bool own = text.size() > kBlockSize / 4;
        BigBlock block(own ? text.size() : kBlockSize);
        char* data = block.Data();
        m_reserved += block.Size();
        if (!own) {
            m_cursor = data;
            m_left = block.Size();
            m_blocks.push_back(std::move(block));
        } else {
            // Keep the current block for the texts that follow.
            m_blocks.push_back(std::move(block));
            std::memcpy(data, text.data(), text.size());
            return {data, text.size()};
        }
    }
    char* out = m_cursor;
    std::memcpy(out, text.data(), text.size());
    m_cursor += text.size();
    m_left -= text.size();
    return {out, text.size()};
}

void TextArena::Adopt(BigBlock block) {
    if (block.Data() == nullptr)
        return;
    m_reserved += block.Size();
    m_blocks.push_back(std::move(block));
}

void TextArena::Clear() {
    m_blocks.clear();
    m_cursor = nullptr;
    m_left = 0;
    m_reserved = 0;
}
