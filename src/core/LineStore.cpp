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

bool LineStore::ChooseTextSource(uint64_t fileBytes, FileHandle file) {
    if (TakeTextBudget(fileBytes)) {
        m_budgetTaken += fileBytes;
        return false;
    }
    if (!file.IsOpen())
        return false; // nothing to read from: kept in memory, beyond the budget
    m_file = std::make_unique<FileText>(std::move(file));
    return true;
}

void LineStore::ContinueTextIn(TextBudgetShare taken, FileHandle file) {
    m_budgetTaken += taken.Release();
    if (file.IsOpen() && !m_file)
        m_file = std::make_unique<FileText>(std::move(file));
}

void LineStore::Append(int level, std::string_view kept) {
    const size_t i = m_ends.size();
    const size_t length = std::min<size_t>(kept.size(), 0xffffffffu);
    const auto address = reinterpret_cast<uintptr_t>(kept.data());
    // The line continues the last segment when its bytes follow that segment's last
    // line directly and the segment's span stays within 32 bits; an empty line continues
    // any segment.
    bool opens = m_segments.empty();
    uint64_t start = 0;
    if (!opens) {
        const Segment& last = m_segments.back();
        start = i == last.firstLine ? 0 : m_ends[i - 1];
        if (length > 0 && (address != last.base + start || start + length > 0xffffffffu))
            opens = true;
    }
    AddEntry(level, kept.substr(0, length), opens, address, start);
}

void LineStore::AppendFromFile(int level, std::string_view text, uint64_t offset) {
    const size_t i = m_ends.size();
    const size_t length = std::min<size_t>(text.size(), 0xffffffffu);
    // The line continues the last segment when it lies the segment's gap after the
    // segment's last line (the second line of a segment sets the gap) and the segment's
    // span stays within 32 bits.
    // Lines kept in memory before the text went on in a file end their segments there.
    bool opens = m_segments.empty() || !m_segments.back().inFile;
    uint64_t start = 0;
    if (!opens) {
        Segment& last = m_segments.back();
        const uint64_t lastEnd = last.base + m_ends[i - 1];
        const uint64_t gap = offset >= lastEnd ? offset - lastEnd : kGapUnknown;
        if (last.gap == kGapUnknown && gap <= 2)
            last.gap = static_cast<uint8_t>(gap);
        start = offset - last.base;
        if (gap > 2 || gap != last.gap || start + length > 0xffffffffu)
            opens = true;
    }
    AddEntry(level, text.substr(0, length), opens, offset, start);
    m_file->NoteIndexedEnd(offset + length);
}

void LineStore::AddEntry(int level, std::string_view text, bool opens, uint64_t base, uint64_t start) {
    const size_t i = m_ends.size();
    const size_t length = text.size();
    if (opens) {
        m_segments.push_back(Segment{base, i, m_file ? kGapUnknown : uint8_t{0}, m_file != nullptr});
        start = 0;
    }
    if ((i & ((size_t{1} << kPageShift) - 1)) == 0)
        m_pageSegment.push_back(static_cast<uint32_t>(m_segments.size() - 1));
    m_ends.push_back(static_cast<uint32_t>(start + length));
    auto flags = static_cast<uint8_t>(std::clamp(level, -1, 9) + 1);
    if (opens)
        flags = static_cast<uint8_t>(flags | kOpensBit);
    if (length > 0) {
        const bool leading = bytetext::IsSpace(text.front());
        const bool trailing = bytetext::IsSpace(text[length - 1]);
        if (trailing && !leading && (length == 1 || !bytetext::IsSpace(text[length - 2])))
            flags = static_cast<uint8_t>(flags | (length == 1 ? kTrimBit : kOneTrailingBit));
        else if (leading || trailing)
            flags = static_cast<uint8_t>(flags | kTrimBit);
    }
    m_flags.push_back(flags);
}

size_t LineStore::SegmentOf(size_t i) const {
    size_t s = m_pageSegment[i >> kPageShift];
    // Usually the page's first segment or the next; many short segments (a file of long
    // lines cut into pieces) are searched.
    if (s + 1 < m_segments.size() && m_segments[s + 1].firstLine <= i) {
        if (s + 2 >= m_segments.size() || m_segments[s + 2].firstLine > i)
            return s + 1;
        const auto next =
            std::upper_bound(m_segments.begin() + static_cast<std::ptrdiff_t>(s) + 2, m_segments.end(), i,
                             [](size_t line, const Segment& segment) { return line < segment.firstLine; });
        return static_cast<size_t>(next - m_segments.begin()) - 1;
    }
    return s;
}

std::string_view LineStore::WholeText(size_t i) const {
    const size_t s = SegmentOf(i);
    const Segment& segment = m_segments[s];
    const uint32_t start = (m_flags[i] & kOpensBit) ? 0 : m_ends[i - 1] + (m_file ? segment.gap : 0);
    const uint32_t end = m_ends[i];
    if (end == start)
        return {};
    if (!segment.inFile)
        return {reinterpret_cast<const char*>(segment.base) + start, end - start};
    // What follows the line in the file: its segment's gap, or what lies before the next
    // segment; nothing is known of the last line's.
    uint8_t separator = 0;
    if (i + 1 < m_ends.size()) {
        if (!(m_flags[i + 1] & kOpensBit)) {
            separator = segment.gap;
        } else {
            const uint64_t next = m_segments[s + 1].base;
            const uint64_t after = segment.base + end;
            if (next >= after && next - after <= 2)
                separator = static_cast<uint8_t>(next - after);
        }
    }
    return m_file->Read(segment.base + start, end - start, separator);
}

std::string_view LineStore::Text(size_t i) const {
    const std::string_view whole = WholeText(i);
    if (whole.empty())
        return whole;
    if (m_flags[i] & kOneTrailingBit)
        return whole.substr(0, whole.size() - 1);
    return (m_flags[i] & kTrimBit) ? bytetext::Trim(whole) : whole;
}

bool LineStore::CheckSource() const {
    if (!m_file)
        return false;
    if (m_ends.empty())
        return m_file->Check(0, 0, 0);
    // The last line: a file cut or rewritten shorter rarely keeps it where it was.
    const size_t last = m_ends.size() - 1;
    const Segment& segment = m_segments[SegmentOf(last)];
    if (!segment.inFile)
        return m_file->Check(0, 0, 0);
    return m_file->Check(segment.base + StartOf(last), static_cast<uint32_t>(WholeLength(last)), 0);
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
    m_file.reset();
    GiveBackTextBudget(m_budgetTaken);
    m_budgetTaken = 0;
}
