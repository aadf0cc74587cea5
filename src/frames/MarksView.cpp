#include "frames/MarksView.h"

#include <QApplication>
#include <algorithm>
#include <new>
#include <numeric>
#include <string>

#include "commands/Commands.h"
#include "platform/ListBox.h"
#include "platform/Prompts.h"
#include "res/FrameResources.h"
#include "res/Resources.h"
#include "res/Strings.h"

namespace {

// The buttons keep the top of the view; the list takes everything below.
constexpr int kListTop = 100;

} // namespace

CQuorvixMarksView::CQuorvixMarksView(QWidget* parent) : CFormView(GetDialogTemplate(IDD_MARKS_FORM), parent) {
    CreateControls();
    m_bookmarkList = GetDlgItem<CListBox>(IDC_MARKS_LIST);
    for (int id : {IDC_MARKS_REFRESH, IDC_MARKS_REMOVE, IDC_MARKS_COPY, IDC_MARKS_INSERT_BREAK,
                   IDC_MARKS_DELETE_BREAK}) {
        if (QWidget* button = GetDlgItem(id))
            m_buttons.emplace_back(button, button->geometry());
    }
    m_bookmarkList->SetNotifyHandler([this](int code) {
        if (code == LBN_DBLCLK)
            OnGoToLine();
    });
}

QWidget* CQuorvixMarksView::CreateControl(const ControlTemplate& control, QWidget* parent) {
    if (control.id == IDC_MARKS_LIST) {
        auto* list = new CListBox(DisplayList::SelectionMode::Single, parent);
        list->SetDlgCtrlID(IDC_MARKS_LIST);
        return list;
    }
    return CFormView::CreateControl(control, parent);
}

void CQuorvixMarksView::OnInitialUpdate() {
    OnSize();
}

void CQuorvixMarksView::resizeEvent(QResizeEvent* event) {
    CFormView::resizeEvent(event);
    OnSize();
}

void CQuorvixMarksView::OnSize() {
    // The buttons stand where the form puts them while the pane is wide enough for them.
    // A narrower pane (the log window gives this one 200 pixels) would cut them off, and
    // some would be out of reach, so there they stand in one column and the list starts
    // below the last of them.
    int needed = 0;
    for (const auto& [button, place] : m_buttons)
        needed = std::max(needed, place.right() + 1);
    int listTop = kListTop;
    if (width() >= needed) {
        for (const auto& [button, place] : m_buttons)
            button->setGeometry(place);
    } else {
        const int margin = m_buttons.empty() ? 0 : m_buttons.front().second.left();
        int y = margin;
        for (const auto& [button, place] : m_buttons) {
            button->setGeometry(margin, y, std::max(0, std::min(place.width(), width() - 2 * margin)),
                                place.height());
            y += place.height() + margin / 2;
        }
        listTop = std::max(kListTop, y + margin / 2);
    }
    if (m_bookmarkList)
        m_bookmarkList->setGeometry(0, listTop, width(), std::max(0, height() - listTop));
}

bool CQuorvixMarksView::OnCmdMsg(int, bool) {
    return false;
}

void CQuorvixMarksView::OnCommand(int id) {
    switch (id) {
    case IDC_MARKS_REFRESH:
        OnRefreshBookmarks();
        break;
    case IDC_MARKS_COPY:
        OnCopyBookmarks();
        break;
    case IDC_MARKS_REMOVE:
        OnRemoveBookmarks();
        break;
    case IDC_MARKS_INSERT_BREAK:
        OnInsertLineBreak();
        break;
    case IDC_MARKS_DELETE_BREAK:
        OnDeleteLineBreak();
        break;
    default:
        break;
    }
}

int CQuorvixMarksView::SelectedEntry() const {
    if (m_bookmarkList->GetCount() == 0)
        return -1;
    return m_bookmarkList->GetCurSel();
}

void CQuorvixMarksView::ShowBookmarks(const std::vector<uint32_t>& bookmarks, const DisplayList& lines,
                                      std::shared_ptr<const LineStore> store) {
    if (bookmarks.empty())
        return;
    DisplayList& marks = m_bookmarkList->Model();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    marks.ResetContent();
    // The entries refer to the log's stored lines instead of copying them; the log view
    // empties this list before it frees its store.
    m_store = store;
    marks.SetLineStore(std::move(store));
    try {
        marks.Reserve(static_cast<int>(bookmarks.size()));
        for (const uint32_t index : bookmarks)
            marks.AddCopyOf(lines, static_cast<int>(index));
    } catch (const std::bad_alloc&) {
        // A list of some bookmarks would pass for all of them: none, and say so.
        marks.ResetContent();
        QApplication::restoreOverrideCursor();
        AfxMessageBox(QString::fromUtf8(res::kMarksOutOfMemory).arg(bookmarks.size()), MB_OK | MB_ICONWARNING,
                      this);
        return;
    }
    QApplication::restoreOverrideCursor();
}

void CQuorvixMarksView::OnCopyBookmarks() {
    const DisplayList& marks = m_bookmarkList->Model();
    if (marks.GetCount() == 0 || clipboard_commands::RefusedForChangedSource(marks, this))
        return;
    bool copied = false;
    try {
        std::vector<int> every(static_cast<size_t>(marks.GetCount()));
        std::iota(every.begin(), every.end(), 0);
        copied = clipboard_commands::CopyLinesToClipboard(marks, every, m_store.lock());
    } catch (const std::bad_alloc&) {
        // The clipboard was never touched.
        AfxMessageBox(QString::fromUtf8(res::kCopyOutOfMemory).arg(marks.GetCount()), MB_OK | MB_ICONWARNING,
                      this);
        return;
    }
    if (copied)
        AfxMessageBox(QString::fromUtf8(res::kMarksCopied), MB_OK, this);
}

void CQuorvixMarksView::OnRemoveBookmarks() {
    if (m_bookmarkList->GetCount() > 0)
        emit RemoveBookmarksWanted();
}

void CQuorvixMarksView::OnInsertLineBreak() {
    const int selected = SelectedEntry();
    if (selected < 0)
        return;
    m_bookmarkList->Model().InsertString(selected, kSeparator);
    m_bookmarkList->SetCurSel(selected);
}

void CQuorvixMarksView::OnDeleteLineBreak() {
    const int selected = SelectedEntry();
    if (selected < 0)
        return;
    if (m_bookmarkList->Model().GetText(selected) == kSeparator)
        m_bookmarkList->Model().DeleteString(selected);
}

void CQuorvixMarksView::OnGoToLine() {
    const int selected = SelectedEntry();
    if (selected < 0)
        return;
    const std::string_view entry = m_bookmarkList->Model().GetText(selected);
    emit GoToLineWanted(QByteArray(entry.data(), static_cast<qsizetype>(entry.size())));
}
