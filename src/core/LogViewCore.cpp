#include "core/LogViewCore.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdint>
#include <new>
#include <span>

#include "core/ByteText.h"
#include "core/LineRecord.h"
#include "core/Parallel.h"

CLogViewCore::CLogViewCore(const LevelSlotTable& levelSlots)
    : m_logList(DisplayList::SelectionMode::Extended), m_levelSlots(levelSlots), m_bookmarks(m_logList) {
    m_logList.SetLineStore(&m_lineEntries);
    for (size_t k = 0; k < kLevelCount; ++k)
        m_lineEntries.SetLevelColour(static_cast<int>(k), m_levelSlots[k].colourIndex);
    m_levelFilter[0] = LevelFilter{true, true};
    for (size_t k = 1; k < kFilterCount; ++k)
        m_levelFilter[k] = LevelFilter{false, false};
}

void CLogViewCore::OnAddLine(LineRecord& record) {
    if (m_lineEntries.GetCount() >= m_lineLimit)
        throw TooManyLines();
    // Room first: once both have it, nothing below can fail half way, so a line that
    // cannot be had leaves neither a store entry nor a list item.
    m_lineEntries.Reserve(m_lineEntries.GetCount() + 1);
    m_logList.Reserve(m_logList.GetCount() + 1);
    const int level = StoreLine(record);
    ShowAddedLine(m_lineEntries.GetCount() - 1, level);
}

int CLogViewCore::StoreLine(LineRecord& record) {
    // The line is kept once: the store holds it (or, beyond the memory budget, where it
    // lies in the file) and the display item refers to the store's line. A well-filled
    // batch gives its bytes to the store whole (its first line decides), so loading
    // copies no line on this thread; the lines of a sparse one are copied into the
    // store's own blocks instead.
    const bool fromFile = m_lineEntries.FileBacked();
    if (LineBatch* batch = record.batch; !fromFile && batch && !batch->BytesTaken() &&
                                         &record == &batch->Records().front() &&
                                         batch->BytesUsed() * 2 >= batch->BytesReserved())
        m_lineEntries.AdoptBytes(batch->TakeBytes());
    const bool inPlace = fromFile || (record.batch && record.batch->BytesTaken());
    const std::string_view kept = inPlace ? record.text : m_lineEntries.Keep(record.text);
    const int level = record.level == LineRecord::kNotClassified ? ClassifyLine(kept) : record.level;
    if (fromFile)
        m_lineEntries.AppendFromFile(level, kept, record.offset);
    else
        m_lineEntries.Append(level, kept);
    return level;
}

void CLogViewCore::ShowAddedLine(size_t index, int level) {
    const size_t pair = static_cast<size_t>(level) + 1;
    if (!m_loaded) {
        if (level >= 0)
            m_levelFilter[pair].show = true;
        // A loaded line shows whole; a refill shows it trimmed.
        m_logList.AddLine(index, false);
        return;
    }
    if (level >= 0 && !m_levelFilter[pair].present)
        m_levelFilter[pair] = LevelFilter{true, true};
    const bool shown = m_levelFilter[level >= 0 ? pair : 0].show;
    if (level >= 0)
        m_lineEntries.SetHidden(index, !shown);
    if (shown && !m_holdList && PassesLineFilters(index))
        m_logList.AddLine(index, false);
}

void CLogViewCore::OnAddLines(LineBatch& batch) {
    std::vector<LineRecord>& records = batch.Records();
    if (records.empty())
        return;
    m_lineEntries.GiveChunks(batch.Chunks());
    // Lines that came after the load take memory of the budget while it has room; beyond
    // it they are read from their file.
    if (m_loaded)
        m_lineEntries.TakeMoreText(batch.BytesUsed());
    size_t first = 0;
    if (m_openLine) {
        // The line that was still being written comes again, as far as it is written now.
        m_openLine = false;
        const size_t index = m_lineEntries.GetCount() - 1;
        const int item = m_logList.GetCount() - 1;
        const bool listed = m_logList.IsStoreLine(item, index);
        m_lineEntries.Reserve(index + 1);
        m_lineEntries.RemoveLast();
        int level = -1;
        try {
            level = StoreLine(records.front());
        } catch (...) {
            // The line is gone from the store: no item may refer to it.
            if (listed)
                m_logList.DeleteString(item);
            throw;
        }
        if (listed && m_loaded && !m_bookmarks.IsMarked(item) && !PassesLineFilters(index))
            // Written out, the line no longer passes a text filter it passed in part.
            m_logList.DeleteString(item);
        else if (listed)
            m_logList.StoreLineChanged(item);
        else
            ShowAddedLine(index, level);
        first = 1;
    }
    DisplayList::AppendRun run(m_logList);
    if (first < records.size() && TakeWhole(batch, first))
        first = records.size();
    // Room for the whole batch at once saves each line its own look; when it cannot be
    // had, each line asks for its own, and those that fit are taken.
    const size_t wanted = std::min(m_lineEntries.GetCount() + batch.Count(), m_lineLimit);
    try {
        m_lineEntries.Reserve(wanted);
        m_logList.Reserve(static_cast<int>(std::min<size_t>(wanted, LineStore::kMaxLines)));
    } catch (const std::bad_alloc&) {
    }
    for (size_t i = first; i < records.size(); ++i)
        OnAddLine(records[i]);
    m_openLine = batch.LastLineOpen();
}

bool CLogViewCore::TakeWhole(LineBatch& batch, size_t first) {
    // The load's lines, classified by the reader: every one shows, whole, in order, so the
    // store and the list take them as runs, never reading a line's text. Lines after the
    // load, a list held for a rebuild, text filters to ask, or too little room take the way
    // of OnAddLine.
    const std::span<const LineRecord> lines = std::span<const LineRecord>(batch.Records()).subspan(first);
    if (m_loaded || m_holdList || m_lineFilters.Active() || !batch.AllClassified() ||
        m_lineEntries.GetCount() + lines.size() > m_lineLimit)
        return false;
    const size_t at = m_lineEntries.GetCount();
    uintptr_t shift = 0;
    try {
        m_lineEntries.Reserve(at + lines.size());
        m_logList.Reserve(static_cast<int>(
            std::min<size_t>(static_cast<size_t>(m_logList.GetCount()) + lines.size(), INT32_MAX)));
        // The texts lie one after another in the batch's block: it is adopted whole when
        // well filled, else copied into the store's own blocks at once.
        if (!m_lineEntries.FileBacked() && !batch.BytesTaken()) {
            if (first == 0 && batch.BytesUsed() * 2 >= batch.BytesReserved()) {
                m_lineEntries.AdoptBytes(batch.TakeBytes());
            } else {
                const char* from = lines.front().text.data();
                const char* to = lines.back().text.data() + lines.back().text.size();
                if (to > from) {
                    const std::string_view kept =
                        m_lineEntries.Keep(std::string_view(from, static_cast<size_t>(to - from)));
                    shift = reinterpret_cast<uintptr_t>(kept.data()) - reinterpret_cast<uintptr_t>(from);
                }
            }
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    m_lineEntries.AppendLines(lines, shift);
    try {
        m_logList.AddStoreLines(at, lines);
    } catch (const std::bad_alloc&) {
        // The list's numbers could not be had (its items were no longer the store's lines
        // of their own index): the lines leave the store again, and go one by one.
        while (m_lineEntries.GetCount() > at)
            m_lineEntries.RemoveLast();
        return false;
    }
    for (uint32_t seen = batch.LevelsSeen(); seen != 0; seen &= seen - 1)
        m_levelFilter[static_cast<size_t>(std::countr_zero(seen)) + 1].show = true;
    return true;
}

void CLogViewCore::OnLoadStart(uint64_t fileBytes, FileHandle file) {
    m_lineEntries.ChooseTextSource(fileBytes, std::move(file));
}

void CLogViewCore::OnTextSource(TextBudgetShare taken, FileHandle file) {
    m_lineEntries.ContinueTextIn(std::move(taken), std::move(file));
}

void CLogViewCore::OnLoadDone() {
    m_loaded = true;
    for (size_t k = 1; k < kFilterCount; ++k)
        m_levelFilter[k].present = m_levelFilter[k].show;
}

void CLogViewCore::OnRefillLine(size_t index) {
    RefillLine(index, PassesLineFilters(index));
}

void CLogViewCore::RefillLine(size_t index, bool passes) {
    // The line's text already lives in the store, so the display item refers to it.
    const int level = m_lineEntries.Level(index);
    if (level < 0) {
        if (m_levelFilter[0].show && passes)
            m_logList.AddLine(index, true);
        return;
    }
    const bool hidden = !m_levelFilter[static_cast<size_t>(level) + 1].show;
    m_lineEntries.SetHidden(index, hidden);
    if (!hidden && passes)
        m_logList.AddLine(index, true);
}

void CLogViewCore::OnRefillLines(size_t first, size_t last) {
    if (!m_lineFilters.Active()) {
        for (size_t i = first; i < last; ++i)
            RefillLine(i, true);
        return;
    }
    // The filters' scans are the costly part of a rebuild: they are shared between the
    // processors, and the list is then built in order on this thread.
    constexpr size_t kLinesPerPart = 16 * 1024;
    std::vector<uint8_t> passes(last - first);
    const std::vector<size_t> bounds = SplitForParallel(last - first, kLinesPerPart);
    RunInParallel(bounds.size() - 1, [&](size_t part) {
        LineFilterStack::Checker checker(m_lineFilters);
        for (size_t i = bounds[part]; i < bounds[part + 1]; ++i)
            passes[i] = checker.Passes(m_lineEntries.Text(first + i)) ? 1 : 0;
    });
    for (size_t i = first; i < last; ++i)
        RefillLine(i, passes[i - first] != 0);
}

bool CLogViewCore::SetLineFilters(std::vector<LineFilterSpec> filters, size_t* failedIndex,
                                  MatchError* error) {
    // The scanner belongs to the filters it was made for.
    m_filterChecker.reset();
    const bool set = m_lineFilters.Set(std::move(filters), failedIndex, error);
    if (m_lineFilters.Active())
        m_filterChecker = std::make_unique<LineFilterStack::Checker>(m_lineFilters);
    return set;
}

bool CLogViewCore::PassesLineFilters(size_t index) {
    return !m_filterChecker || m_filterChecker->Passes(m_lineEntries.Text(index));
}

void CLogViewCore::ResetForRebuild() {
    if (m_logList.GetCount() > 0)
        m_logList.ResetContent();
    m_bookmarks.Reset();
}

void CLogViewCore::FreeLineEntries() {
    // Display items refer to the store's bytes; none may outlive them.
    ResetForRebuild();
    if (m_storeOwner.use_count() == 1)
        m_lineEntries.Clear();
}
