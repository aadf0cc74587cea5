#include "loader/LineRecord.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

LineBatch::LineBatch(size_t maxLines, size_t maxBytes)
    : m_bytes(std::make_unique_for_overwrite<char[]>(std::max<size_t>(maxBytes, 1))),
      m_capacity(std::max<size_t>(maxBytes, 1)), m_maxLines(std::max<size_t>(maxLines, 1)) {
    m_records.reserve(m_maxLines);
}

bool LineBatch::Full(size_t length) const {
    if (m_records.empty())
        return false;
    return m_records.size() >= m_maxLines || m_used + length > m_capacity;
}

void LineBatch::Add(std::string_view text, uint64_t step) {
    if (m_used + text.size() > m_capacity) {
        // Only the first line of a batch may be larger than the batch (Full says so for
        // any other); give it room. Replacing the block under earlier records would
        // leave them dangling.
        if (!m_records.empty())
            throw std::length_error("LineBatch::Add past a full batch");
        m_bytes = std::make_unique_for_overwrite<char[]>(text.size());
        m_capacity = text.size();
        m_used = 0;
    }
    char* out = m_bytes.get() + m_used;
    if (!text.empty())
        std::memcpy(out, text.data(), text.size());
    m_used += text.size();
    m_records.push_back(LineRecord{std::string_view(out, text.size()), 0});
    m_stepSum += step;
}

bool LineBatch::AllConsumed() const {
    return std::all_of(m_records.begin(), m_records.end(), [](const LineRecord& r) { return r.consumed != 0; });
}

void LineBatch::Clear() {
    m_records.clear();
    m_used = 0;
    m_stepSum = 0;
}
