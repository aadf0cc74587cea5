#include "core/LineStore.h"

#include <algorithm>

LogLineEntry::LogLineEntry(std::string_view text, int colourIndex, int level)
    : m_text(text.data()), m_length(static_cast<uint32_t>(text.size())),
      m_colourIndex(static_cast<int16_t>(std::clamp(colourIndex, -32768, 32767))),
      m_level(static_cast<int8_t>(std::clamp(level, -1, 9))) {}

LogLineEntry* LineStore::AppendKept(int level, int colourIndex, std::string_view kept) {
    return &m_entries.push_back(LogLineEntry(kept, colourIndex, level));
}

void LineStore::Clear() {
    m_entries.clear();
    m_texts.Clear();
}
