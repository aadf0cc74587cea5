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
    m_current = 0;
    m_spare = std::move(file);
    if (TakeTextBudget(fileBytes)) {
        m_budgetTaken += fileBytes;
        return false;
    }
    return TakeMoreText(0);
}

void LineStore::ContinueTextIn(TextBudgetShare taken, FileHandle file) {
    m_budgetTaken += taken.Release();
    if (!file.IsOpen() || m_current != 0)
        return;
    m_spare = std::move(file);
    TakeMoreText(0);
}

bool LineStore::TakeMoreText(uint64_t bytes) {
    if (m_current != 0)
        return true;
    if (bytes > 0 && TakeTextBudget(bytes)) {
        m_budgetTaken += bytes;
        return false;
    }
    if (!m_spare.IsOpen())
        return false; // nothing to read from: kept in memory, beyond the budget
    m_files.push_back(std::make_unique<FileText>(std::move(m_spare)));
    m_retired.push_back(false);
    m_current = m_files.size();
    return true;
}

bool LineStore::SourceChanged() const {
    for (size_t k = 0; k < m_files.size(); ++k) {
        if (!m_retired[k] && m_files[k]->Changed())
            return true;
    }
    return false;
}

void LineStore::RetireLines() {
    for (size_t k = 0; k < m_files.size(); ++k) {
        if (m_files[k]->Changed())
            m_retired[k] = true;
    }
    m_firstLive = m_ends.size();
}

void LineStore::Append(int level, std::string_view kept) {
    const size_t length = std::min<size_t>(kept.size(), 0xffffffffu);
    AppendAt(LineFlags(level, kept.substr(0, length)), reinterpret_cast<uintptr_t>(kept.data()), length);
}

void LineStore::AppendAt(uint8_t flags, uintptr_t address, size_t length) {
    const size_t i = m_ends.size();
    // The line continues the last segment when its bytes follow that segment's last
    // line directly and the segment's span stays within 32 bits; an empty line continues
    // any segment.
    bool opens = m_segments.empty() || m_segments.back().source != 0;
    uint64_t start = 0;
    if (!opens) {
        const Segment& last = m_segments.back();
        start = i == last.firstLine ? 0 : m_ends[i - 1];
        if (length > 0 && (address != last.base + start || start + length > 0xffffffffu))
            opens = true;
    }
    AddEntry(flags, length, opens, address, start);
}

void LineStore::AppendFromFile(int level, std::string_view text, uint64_t offset) {
    const size_t length = std::min<size_t>(text.size(), 0xffffffffu);
    AppendFromFileAt(LineFlags(level, text.substr(0, length)), offset, length);
}

void LineStore::AppendFromFileAt(uint8_t flags, uint64_t offset, size_t length) {
    const size_t i = m_ends.size();
    // The line continues the last segment when it lies the segment's gap after the
    // segment's last line (the second line of a segment sets the gap) and the segment's
    // span stays within 32 bits.
    bool opens = m_segments.empty() || m_segments.back().source != m_current;
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
    AddEntry(flags, length, opens, offset, start);
    m_files[m_current - 1]->NoteIndexedEnd(offset + length);
}

void LineStore::AppendLines(std::span<const LineRecord> records, uintptr_t shift) {
    // Nearly every line continues the segment of the line before it: those go in runs, a
    // few compares and two stores a line. A line that opens a segment or a page takes the
    // way of Append, so the segment and page tables stay as line-by-line appends make them.
    const bool fromFile = m_current != 0;
    while (!records.empty()) {
        size_t taken = AppendRun(records, shift);
        if (taken == 0) {
            const LineRecord& record = records.front();
            const size_t length = std::min<size_t>(record.text.size(), 0xffffffffu);
            if (fromFile)
                AppendFromFileAt(record.flags, record.offset, length);
            else
                AppendAt(record.flags, reinterpret_cast<uintptr_t>(record.text.data()) + shift, length);
            taken = 1;
        }
        records = records.subspan(taken);
    }
}

size_t LineStore::AppendRun(std::span<const LineRecord> records, uintptr_t shift) {
    constexpr size_t kPageLines = size_t{1} << kPageShift;
    const size_t i = m_ends.size();
    if (m_segments.empty() || m_segments.back().source != m_current || m_segments.back().gap == kGapUnknown ||
        i == m_segments.back().firstLine || (i & (kPageLines - 1)) == 0)
        return 0;
    size_t room = std::min(records.size(), kPageLines - (i & (kPageLines - 1)));
    uint32_t* ends = m_ends.tail_room(room);
    uint8_t* flags = m_flags.tail_room(room);
    const Segment& last = m_segments.back();
    const bool fromFile = m_current != 0;
    // Where the line before ends: an address in memory, an offset in the file.
    uint64_t lastEnd = last.base + m_ends[i - 1];
    size_t k = 0;
    for (; k < room; ++k) {
        const LineRecord& record = records[k];
        const size_t length = std::min<size_t>(record.text.size(), 0xffffffffu);
        // As AppendAt and AppendFromFileAt: the line lies the segment's gap after the one
        // before (none in memory, where an empty line continues any segment), and the
        // segment's span stays within 32 bits.
        if (fromFile || length > 0) {
            const uint64_t start =
                fromFile ? record.offset : reinterpret_cast<uintptr_t>(record.text.data()) + shift;
            if (start < lastEnd || start - lastEnd != last.gap || start - last.base + length > 0xffffffffu)
                break;
            lastEnd = start + length;
        }
        ends[k] = static_cast<uint32_t>(lastEnd - last.base);
        flags[k] = record.flags;
    }
    m_ends.commit_tail(k);
    m_flags.commit_tail(k);
    if (fromFile && k > 0)
        m_files[m_current - 1]->NoteIndexedEnd(lastEnd);
    return k;
}

void LineStore::GiveChunks(std::vector<BigBlock>& blocks) {
    constexpr size_t kKept = 4;
    for (BigBlock& block : blocks) {
        if (m_spareChunks.size() >= kKept)
            break;
        if (m_spareChunks.capacity() < kKept)
            m_spareChunks.reserve(kKept);
        m_spareChunks.push_back(std::move(block));
    }
    blocks.clear();
}

uint8_t LineStore::LineFlags(int level, std::string_view text) {
    auto flags = static_cast<uint8_t>(std::clamp(level, -1, 9) + 1);
    const size_t length = text.size();
    if (length > 0) {
        const bool leading = bytetext::IsSpace(text.front());
        const bool trailing = bytetext::IsSpace(text[length - 1]);
        if (trailing && !leading && (length == 1 || !bytetext::IsSpace(text[length - 2])))
            flags = static_cast<uint8_t>(flags | (length == 1 ? kTrimBit : kOneTrailingBit));
        else if (leading || trailing)
            flags = static_cast<uint8_t>(flags | kTrimBit);
    }
    return flags;
}

void LineStore::AddEntry(uint8_t flags, size_t length, bool opens, uint64_t base, uint64_t start) {
    const size_t i = m_ends.size();
    if (opens) {
        const auto source = static_cast<uint16_t>(m_current);
        m_segments.push_back(Segment{base, i, source != 0 ? kGapUnknown : uint8_t{0}, source});
        start = 0;
        flags = static_cast<uint8_t>(flags | kOpensBit);
    }
    if ((i & ((size_t{1} << kPageShift) - 1)) == 0)
        m_pageSegment.push_back(static_cast<uint32_t>(m_segments.size() - 1));
    m_ends.push_back(static_cast<uint32_t>(start + length));
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
    const uint32_t start = (m_flags[i] & kOpensBit) ? 0 : m_ends[i - 1] + segment.gap;
    const uint32_t end = m_ends[i];
    if (end == start)
        return {};
    if (segment.source == 0)
        return {reinterpret_cast<const char*>(segment.base) + start, end - start};
    // What follows the line in the file: its segment's gap, or what lies before the next
    // segment; nothing is known of the last line's.
    uint8_t separator = 0;
    if (i + 1 < m_ends.size()) {
        if (!(m_flags[i + 1] & kOpensBit)) {
            separator = segment.gap;
        } else if (m_segments[s + 1].source == segment.source) {
            const uint64_t next = m_segments[s + 1].base;
            const uint64_t after = segment.base + end;
            if (next >= after && next - after <= 2)
                separator = static_cast<uint8_t>(next - after);
        }
    }
    return m_files[segment.source - 1]->Read(segment.base + start, end - start, separator);
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
    if (m_current == 0)
        return SourceChanged();
    const FileText& file = *m_files[m_current - 1];
    // The last line, when it is the file's: a file cut or rewritten shorter rarely keeps it
    // where it was.
    const size_t last = m_ends.empty() ? 0 : m_ends.size() - 1;
    const Segment* segment = m_ends.empty() ? nullptr : &m_segments[SegmentOf(last)];
    if (!segment || segment->source != m_current)
        file.Check(0, 0, 0);
    else
        file.Check(segment->base + StartOf(last), static_cast<uint32_t>(WholeLength(last)), 0);
    return SourceChanged();
}

void LineStore::RemoveLast() {
    if (m_ends.empty())
        return;
    const size_t i = m_ends.size() - 1;
    if (m_flags[i] & kOpensBit)
        m_segments.pop_back();
    if ((i & ((size_t{1} << kPageShift) - 1)) == 0)
        m_pageSegment.pop_back();
    m_ends.resize(i);
    m_flags.resize(i);
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
    m_spareChunks.clear();
    m_spareChunks.shrink_to_fit();
    m_files.clear();
    m_retired.clear();
    m_firstLive = 0;
    m_current = 0;
    m_spare.Reset();
    GiveBackTextBudget(m_budgetTaken);
    m_budgetTaken = 0;
}
