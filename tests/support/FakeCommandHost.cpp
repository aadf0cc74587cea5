#include "support/FakeCommandHost.h"

#include "commands/Commands.h"
#include "core/LineRecord.h"

FakeCommandHost::FakeCommandHost(const LevelSlotTable& levelSlots)
    : m_core(levelSlots), m_logList(new CLogListBox(m_core.m_logList, &m_window)),
      m_marks(new CListBox(DisplayList::SelectionMode::Single, &m_window)),
      m_editor(new QLineEdit(&m_window)) {
    m_window.resize(800, 400);
    m_logList->setGeometry(0, 0, 600, 400);
    m_marks->setGeometry(600, 0, 200, 400);
    m_editor->hide();
    m_editor->setEnabled(false);
}

FakeCommandHost::~FakeCommandHost() = default;

void FakeCommandHost::Load(const std::vector<std::string>& lines, bool done) {
    size_t bytes = 1;
    for (const std::string& line : lines)
        bytes += line.size();
    LineBatch batch(lines.size() + 1, bytes);
    for (const std::string& line : lines)
        batch.Add(line, line.size() + 1);
    for (LineRecord& record : batch.Records())
        m_core.OnAddLine(record);
    if (done)
        m_core.OnLoadDone();
}

std::vector<std::string> FakeCommandHost::LogTexts() const {
    std::vector<std::string> out;
    const DisplayList& list = m_logList->Model();
    for (int i = 0; i < list.GetCount(); ++i)
        out.emplace_back(list.GetText(i));
    return out;
}

std::vector<std::string> FakeCommandHost::MarkTexts() const {
    std::vector<std::string> out;
    const DisplayList& list = m_marks->Model();
    for (int i = 0; i < list.GetCount(); ++i)
        out.emplace_back(list.GetText(i));
    return out;
}

void FakeCommandHost::RefreshMarks() {
    // The marks view's refresh: the bookmarked lines' texts in bookmark order; an empty
    // bookmark list leaves the marks list as it is.
    DisplayList& marks = m_marks->Model();
    if (!m_core.m_bookmarks.Empty())
        marks.ResetContent();
    for (uint32_t index : m_core.m_bookmarks.Indices())
        marks.AddString(m_logList->Model().GetText(static_cast<int>(index)));
}

void FakeCommandHost::ResetForRebuild() {
    m_core.m_editIndex = -1;
    m_editor->hide();
    m_core.ResetForRebuild();
    m_marks->Model().ResetContent();
}

void FakeCommandHost::StartRefill() {
    ++refills;
    ResetForRebuild();
    // The view's rebuild path, in one run.
    m_core.OnRefillLines(0, m_core.m_lineEntries.GetCount());
}
