#include "view/LogViewCore.h"

#include "loader/LineRecord.h"
#include "platform/ByteText.h"

CLogViewCore::CLogViewCore(DisplayList& logList, const LevelSlotTable& levelSlots)
    : m_levelSlots(levelSlots), m_logList(logList) {
    m_levelFilter[0] = LevelFilter{true, true};
    for (int k = 1; k < kFilterCount; ++k)
        m_levelFilter[k] = LevelFilter{false, false};
}

int CLogViewCore::ClassifyLine(std::string_view text) const {
    for (int i = 0; i < kLevelCount; ++i) {
        if (bytetext::FoundAfterStart(text, m_levelSlots[i].name))
            return i;
    }
    return -1;
}

LRESULT CLogViewCore::OnAddLine(WPARAM, LPARAM lParam) {
    if (auto* record = reinterpret_cast<LineRecord*>(lParam))
        AddLine(*record);
    return 0;
}

void CLogViewCore::AddLine(LineRecord& record) {
    // Room first: once both have it, nothing below can fail half way, so a line that
    // cannot be had leaves neither a store entry nor a list item.
    m_lineEntries.Reserve(m_lineEntries.GetCount() + 1);
    m_logList.Reserve(m_logList.GetCount() + 1);
    // The line is kept once: the store's entry refers to its trimmed part and the
    // display item to the whole, untrimmed text. A well-filled batch gives its bytes to
    // the store whole (its first line decides), so loading copies no line on this thread;
    // the lines of a sparse one are copied into the store's own blocks instead.
    if (LineBatch* batch = record.batch; batch && !batch->BytesTaken() &&
                                         &record == &batch->Records().front() &&
                                         batch->BytesUsed() * 2 >= batch->BytesReserved())
        m_lineEntries.AdoptBytes(batch->TakeBytes());
    const bool inPlace = record.batch && record.batch->BytesTaken();
    const std::string_view kept = inPlace ? record.text : m_lineEntries.Keep(record.text);
    const int level = ClassifyLine(kept);
    if (level >= 0) {
        m_levelFilter[level + 1].show = true;
        const int colourIndex = m_levelSlots[level].colourIndex;
        m_lineEntries.AppendKept(level, colourIndex, bytetext::Trim(kept));
        m_logList.AddItem(kept, PaletteColour(colourIndex));
    } else {
        m_lineEntries.AppendKept(-1, 0, bytetext::Trim(kept));
        m_logList.AddItem(kept, 0);
    }
    record.consumed = 1;
}

void CLogViewCore::AppendLineEntry(int level, int colourIndex, std::string_view text) {
    m_lineEntries.AppendKept(level, colourIndex, m_lineEntries.Keep(bytetext::Trim(text)));
}

void CLogViewCore::AddColouredLine(int colourIndex, std::string_view text) {
    const int index = m_logList.AddString(text);
    m_logList.SetItemData(index, PaletteColour(colourIndex));
}

void CLogViewCore::AddPlainLine(std::string_view text) {
    m_logList.AddString(text);
}

LRESULT CLogViewCore::OnLoadDone(WPARAM, LPARAM) {
    for (int k = 1; k < kFilterCount; ++k)
        m_levelFilter[k].present = m_levelFilter[k].show;
    return 0;
}

LRESULT CLogViewCore::OnRefillLine(WPARAM, LPARAM lParam) {
    if (auto* entry = reinterpret_cast<LogLineEntry*>(lParam))
        RefillLine(*entry);
    return 0;
}

void CLogViewCore::RefillLine(LogLineEntry& entry) {
    // The entry's text already lives in the store, so the display item refers to it.
    if (entry.Level() < 0) {
        if (m_levelFilter[0].show)
            m_logList.AddItem(entry.Text(), 0);
        return;
    }
    entry.hidden = !m_levelFilter[entry.Level() + 1].show;
    if (!entry.hidden)
        m_logList.AddItem(entry.Text(), PaletteColour(entry.ColourIndex()));
}

void CLogViewCore::FreeLineEntries() {
    // Display items refer to the store's bytes; none may outlive them.
    if (m_logList.GetCount() > 0)
        m_logList.ResetContent();
    m_bookmarks.clear();
    m_currentMark = -1;
    m_lineEntries.Clear();
}
