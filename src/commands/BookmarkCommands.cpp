// Bookmarks: F2 toggles the caret line's bookmark, F3 walks the bookmarks, Ctrl+Shift+B
// lists them in the marks view, and UM_ADD_BOOKMARK lets Find All and Analyze bookmark
// lines in bulk.
//
// Three pieces of the core stay consistent: BOOKMARK_BIT in a line's item data,
// m_bookmarks (the indices of exactly those lines, ascending, no repeats) and
// m_currentMark (where the next F3 goes, -1 for nowhere).
#include <algorithm>

#include "commands/Commands.h"
#include "platform/Prompts.h"
#include "res/Resources.h"
#include "view/LogListBox.h"
#include "view/LogViewCore.h"

namespace bookmark_commands {

namespace {

// The innermost open batch; each links to the one opened before it. GUI thread only.
BookmarkBatch* g_openBatches = nullptr;

// The bookmarks in order, whatever batch of this view is still open.
std::vector<uint32_t>& SortedBookmarks(CLogViewCore& core) {
    if (BookmarkBatch* batch = BookmarkBatch::Open(core))
        batch->Flush();
    return core.m_bookmarks;
}

// Position of `index` in the sorted bookmarks, or -1.
int FindBookmark(const std::vector<uint32_t>& bookmarks, uint32_t index) {
    const auto it = std::lower_bound(bookmarks.begin(), bookmarks.end(), index);
    if (it == bookmarks.end() || *it != index)
        return -1;
    return static_cast<int>(it - bookmarks.begin());
}

void InsertBookmark(std::vector<uint32_t>& bookmarks, uint32_t index) {
    bookmarks.insert(std::lower_bound(bookmarks.begin(), bookmarks.end(), index), index);
}

// Selects `index` in addition to the selection and brings it to the caret, in view, as
// the platform's list box does for a selection request. Otherwise F3 would select a
// bookmark the user cannot see.
void SelectAndShow(CLogListBox& list, int index) {
    list.Model().SetSel(index, true);
    list.SetCaretIndex(index);
}

} // namespace

BookmarkBatch::BookmarkBatch(CommandHost& host) : m_core(host.Core()), m_sorted(0), m_outer(g_openBatches) {
    // An outer batch of the same view may hold a run; this one starts from order.
    if (BookmarkBatch* outer = Open(m_core))
        outer->Flush();
    m_sorted = m_core.m_bookmarks.size();
    g_openBatches = this;
}

BookmarkBatch::~BookmarkBatch() {
    Flush();
    // Batches close in the reverse order of opening (they are scoped).
    g_openBatches = m_outer;
}

BookmarkBatch* BookmarkBatch::Open(const CLogViewCore& core) {
    for (BookmarkBatch* batch = g_openBatches; batch; batch = batch->m_outer) {
        if (&batch->m_core == &core)
            return batch;
    }
    return nullptr;
}

void BookmarkBatch::Flush() {
    std::vector<uint32_t>& bookmarks = m_core.m_bookmarks;
    // Something emptied the bookmarks meanwhile (a rebuild): what is left is the run.
    m_sorted = std::min(m_sorted, bookmarks.size());
    if (m_sorted < bookmarks.size()) {
        const auto middle = bookmarks.begin() + static_cast<std::ptrdiff_t>(m_sorted);
        std::inplace_merge(bookmarks.begin(), middle, bookmarks.end());
    }
    m_sorted = bookmarks.size();
}

void BookmarkBatch::Add(uint32_t index) {
    std::vector<uint32_t>& bookmarks = m_core.m_bookmarks;
    m_sorted = std::min(m_sorted, bookmarks.size());
    const bool inRun = m_sorted < bookmarks.size();
    if (!inRun && (bookmarks.empty() || index > bookmarks.back())) {
        // Past every bookmark: the array stays in order as it is.
        bookmarks.push_back(index);
        m_sorted = bookmarks.size();
        return;
    }
    // A run stays ascending; a line before the run's last one starts a new run.
    if (inRun && index < bookmarks.back())
        Flush();
    bookmarks.push_back(index);
}

void AdvanceMark(CommandHost& host, int index) {
    CLogViewCore& core = host.Core();
    const std::vector<uint32_t>& bookmarks = SortedBookmarks(core);
    if (bookmarks.size() == 1) {
        core.m_currentMark = -1;
        return;
    }
    if (index < 0)
        return;
    const int position = FindBookmark(bookmarks, static_cast<uint32_t>(index));
    if (position < 0)
        return;
    const size_t next = static_cast<size_t>(position) + 1;
    core.m_currentMark = static_cast<int>(next == bookmarks.size() ? bookmarks.front() : bookmarks[next]);
}

void OnBookmark(CommandHost& host) {
    CLogListBox& list = host.LogList();
    const int index = list.GetCurSel();
    if (index < 0)
        return;
    CLogViewCore& core = host.Core();
    std::vector<uint32_t>& bookmarks = SortedBookmarks(core);
    if (list.ToggleBookmarkBit(index) == 1) {
        list.Model().SetSel(index, true);
        core.m_currentMark = index;
        // A line already listed (its bit was cleared behind our back) is not listed twice.
        if (FindBookmark(bookmarks, static_cast<uint32_t>(index)) < 0)
            InsertBookmark(bookmarks, static_cast<uint32_t>(index));
        return;
    }
    const int position = FindBookmark(bookmarks, static_cast<uint32_t>(index));
    if (position < 0)
        return; // the bit was set without a listing; clearing it is all there is to do
    AdvanceMark(host, index);
    bookmarks.erase(bookmarks.begin() + position);
}

LRESULT OnAddBookmark(CommandHost& host, int index) {
    CLogListBox& list = host.LogList();
    if (index < 0 || index >= list.GetCount())
        return 0;
    if (list.Model().GetItemData(index) & BOOKMARK_BIT)
        return 0;
    list.ToggleBookmarkBit(index);
    CLogViewCore& core = host.Core();
    core.m_currentMark = index;
    if (BookmarkBatch* batch = BookmarkBatch::Open(core))
        batch->Add(static_cast<uint32_t>(index));
    else
        InsertBookmark(core.m_bookmarks, static_cast<uint32_t>(index));
    return 0;
}

void OnNextMark(CommandHost& host) {
    CLogListBox& list = host.LogList();
    const int index = host.Core().m_currentMark;
    // The current mark is the line to select. (Searching the list for the line's own text
    // from just before it finds that very line, so no search is needed.) A mark past the
    // end selects nothing; selecting index -1 would select every line.
    if (index < 0 || index >= list.GetCount())
        return;
    SelectAndShow(list, index);
    edit_commands::ShowCaretLine(host);
    AdvanceMark(host, index);
}

void OnShowBookmarks(CommandHost& host) {
    if (SortedBookmarks(host.Core()).empty()) {
        AfxMessageBox(QString::fromUtf8(res::kNoBookmarks), MB_OK, host.DialogParent());
        return;
    }
    host.RefreshMarks();
}

} // namespace bookmark_commands
