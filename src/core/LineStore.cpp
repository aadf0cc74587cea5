#include "core/LineStore.h"

#include <algorithm>

#include "core/ByteText.h"
#include "core/Palette.h"

void LineStore::SetLevelColour(int level, int colourIndex) {
    if (level < 0 || level > 9)
        return;
    const auto slot = static_cast<size_t>(level) + 1;
    m_colourIndex[slot] = colourIndex;
    m_itemData[slot] = PaletteColour(colourIndex);
}

void LineStore::Reserve(size_t count) {
    m_ends.reserve(count);
    m_flags.reserve(count);
    // A line may open a segment and a page: room for one more of each, so Append cannot
    // fail half way.
    if (m_segments.size() == m_segments.capacity())
        m_segments.reserve(m_segments.size() * 2 + 16);
    const size_t pages = (count >> kPageShift) + 1;
    if (m_pageSegment.capacity() < pages)
        m_pageSegment.reserve(std::max(pages, m_pageSegment.capacity() * 2));
}

void LineStore::Append(int level, std::string_view kept) {
    const size_t i = m_ends.size();
    const size_t length = std::min<size_t>(kept.size(), 0xffffffffu);
    // The line continues the last segment when its bytes follow that segment's last
    // line directly and the segment's span stays within 32 bits; an empty line continues
    // any segment.
    bool opens = m_segments.empty();
    uint64_t start = 0;
    if (!opens) {
        const Segment& last = m_segments.back();
        start = i == last.firstLine ? 0 : m_ends[i - 1];
        if (length > 0 && (kept.data() != last.base + start || start + length > 0xffffffffu))
            opens = true;
    }
    if (opens) {
        m_segments.push_back(Segment{kept.data(), i});
        start = 0;
    }
    if ((i & ((size_t{1} << kPageShift) - 1)) == 0)
        m_pageSegment.push_back(static_cast<uint32_t>(m_segments.size() - 1));
    m_ends.push_back(static_cast<uint32_t>(start + length));
    auto flags = static_cast<uint8_t>(std::clamp(level, -1, 9) + 1);
    if (opens)
        flags = static_cast<uint8_t>(flags | kOpensBit);
    if (length > 0) {
        const bool leading = bytetext::IsSpace(kept.front());
        const bool trailing = bytetext::IsSpace(kept[length - 1]);
        if (trailing && !leading && (length == 1 || !bytetext::IsSpace(kept[length - 2])))
            flags = static_cast<uint8_t>(flags | (length == 1 ? kTrimBit : kOneTrailingBit));
        else if (leading || trailing)
            flags = static_cast<uint8_t>(flags | kTrimBit);
    }
    m_flags.push_back(flags);
}

size_t LineStore::SegmentOf(size_t i) const {
    size_t s = m_pageSegment[i >> kPageShift];
    while (s + 1 < m_segments.size() && m_segments[s + 1].firstLine <= i)
        ++s;
    return s;
}

std::string_view LineStore::WholeText(size_t i) const {
    const Segment& segment = m_segments[SegmentOf(i)];
    const uint32_t start = (m_flags[i] & kOpensBit) ? 0 : m_ends[i - 1];
    const uint32_t end = m_ends[i];
    if (end == start)
        return {};
    return {segment.base + start, end - start};
}

std::string_view LineStore::Text(size_t i) const {
    const std::string_view whole = WholeText(i);
    if (m_flags[i] & kOneTrailingBit)
        return whole.substr(0, whole.size() - 1);
    return (m_flags[i] & kTrimBit) ? bytetext::Trim(whole) : whole;
}

int LineStore::ColourIndex(size_t i) const {
    return m_colourIndex[m_flags[i] & kLevelMask];
}

void LineStore::SetHidden(size_t i, bool hidden) {
    if (hidden)
        m_flags[i] = static_cast<uint8_t>(m_flags[i] | kHiddenBit);
    else
        m_flags[i] = static_cast<uint8_t>(m_flags[i] & ~kHiddenBit);
}

size_t LineStore::IndexBytes() const {
    return m_ends.BytesReserved() + m_flags.BytesReserved() + m_segments.capacity() * sizeof(Segment) +
           m_pageSegment.capacity() * sizeof(uint32_t);
}

void LineStore::Clear() {
    m_ends.clear();
    m_flags.clear();
    m_segments.clear();
    m_segments.shrink_to_fit();
    m_pageSegment.clear();
    m_pageSegment.shrink_to_fit();
    m_texts.Clear();
}
