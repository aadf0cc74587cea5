#include "core/LineRecord.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "core/LineStore.h"

LineBatch::LineBatch(size_t maxLines, size_t maxBytes)
    : m_capacity(std::max<size_t>(maxBytes, 1)), m_maxLines(std::max<size_t>(maxLines, 1)) {
    m_records.reserve(m_maxLines);
}

bool LineBatch::Full(size_t length) const {
    if (m_records.empty())
        return false;
    return m_records.size() >= m_maxLines || m_used + length > m_capacity;
}

void LineBatch::Add(std::string_view text, uint64_t step, int level, uint64_t offset) {
    if (m_bytes.Data() == nullptr) {
        // A fresh batch, or one whose bytes were taken: records so far hold no bytes.
        m_bytes = BigBlock(std::max(m_capacity, text.size()));
        m_taken = false;
        m_used = 0;
    } else if (m_used + text.size() > m_bytes.Size()) {
        // Only the first line of a batch may be larger than the batch (Full says so for
        // any other); give it room. Replacing the block under earlier records would
        // leave them dangling.
        if (!m_records.empty())
            throw std::length_error("LineBatch::Add past a full batch");
        m_bytes = BigBlock(std::max(m_capacity, text.size()));
        m_used = 0;
    }
    char* out = m_bytes.Data() + m_used;
    if (!text.empty())
        std::memcpy(out, text.data(), text.size());
    m_used += text.size();
    uint8_t flags = 0;
    if (level == LineRecord::kNotClassified) {
        m_allClassified = false;
    } else {
        // As the store keeps the line: at most its first 4 GiB - 1 bytes.
        flags = LineStore::LineFlags(level, text.substr(0, 0xffffffffu));
        if (level >= 0 && level < 32)
            m_levelsSeen |= 1u << level;
    }
    m_records.push_back(
        LineRecord{std::string_view(out, text.size()), this, static_cast<int8_t>(level), flags, offset});
    m_stepSum += step;
}

void LineBatch::Clear() {
    m_records.clear();
    m_used = 0; // a taken block is gone; the next line brings a new one
    m_stepSum = 0;
    m_lastLineOpen = false;
    m_allClassified = true;
    m_levelsSeen = 0;
    m_chunks.clear();
}

void LineBatch::ProvideBytes(BigBlock block) {
    if (!m_records.empty() || !NeedsBytes() || block.Size() < m_capacity)
        return;
    m_bytes = std::move(block);
    m_taken = false;
    m_used = 0;
}

BigBlock LineBatch::TakeBytes() {
    if (m_taken)
        return BigBlock();
    m_taken = true;
    BigBlock out = std::move(m_bytes);
    m_bytes = BigBlock();
    return out;
}
