#include "frames/MarksView.h"

#include <QApplication>
#include <QBoxLayout>
#include <QGridLayout>
#include <QPushButton>
#include <QStyle>
#include <algorithm>
#include <new>
#include <numeric>
#include <string>

#include "commands/Commands.h"
#include "platform/ControlIds.h"
#include "platform/ListBox.h"
#include "platform/Prompts.h"
#include "res/FrameResources.h"
#include "res/Resources.h"
#include "res/Strings.h"

namespace {

constexpr int kMaxButtonColumns = 3;

} // namespace

CQuorvixMarksView::CQuorvixMarksView(QWidget* parent) : QWidget(parent) {
    // Made in tab order.
    m_bookmarkList = new CListBox(DisplayList::SelectionMode::Single, this);
    m_bookmarkList->SetDlgCtrlID(IDC_MARKS_LIST);
    SetControlId(m_bookmarkList, IDC_MARKS_LIST);
    const auto button = [this](const char* caption, int id, void (CQuorvixMarksView::*handler)()) {
        auto* made = new QPushButton(QString::fromUtf8(caption), this);
        SetControlId(made, id);
        made->setAutoDefault(false);
        connect(made, &QPushButton::clicked, this, handler);
        return made;
    };
    QPushButton* refresh =
        button(res::kMarksRefresh, IDC_MARKS_REFRESH, &CQuorvixMarksView::OnRefreshBookmarks);
    QPushButton* copy = button(res::kMarksCopy, IDC_MARKS_COPY, &CQuorvixMarksView::OnCopyBookmarks);
    QPushButton* remove = button(res::kMarksRemove, IDC_MARKS_REMOVE, &CQuorvixMarksView::OnRemoveBookmarks);
    QPushButton* insertBreak =
        button(res::kMarksInsertBreak, IDC_MARKS_INSERT_BREAK, &CQuorvixMarksView::OnInsertLineBreak);
    QPushButton* deleteBreak =
        button(res::kMarksDeleteBreak, IDC_MARKS_DELETE_BREAK, &CQuorvixMarksView::OnDeleteLineBreak);
    m_buttons = {refresh, remove, copy, insertBreak, deleteBreak};
    // All of one width, the widest caption's.
    int width = 0;
    for (QPushButton* each : m_buttons)
        width = std::max(width, each->sizeHint().width());
    for (QPushButton* each : m_buttons)
        each->setMinimumWidth(width);

    m_buttonGrid = new QGridLayout;
    const int margin = style()->pixelMetric(QStyle::PM_LayoutLeftMargin);
    m_buttonGrid->setContentsMargins(margin, margin, margin, margin);
    // Past the buttons' columns, an empty one takes what is left of the width.
    m_buttonGrid->setColumnStretch(kMaxButtonColumns, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(m_buttonGrid);
    layout->addWidget(m_bookmarkList, 1);
    ArrangeButtons();

    m_bookmarkList->SetNotifyHandler([this](int code) {
        if (code == LBN_DBLCLK)
            OnGoToLine();
    });
}

void CQuorvixMarksView::OnInitialUpdate() {
    ArrangeButtons();
}

void CQuorvixMarksView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ArrangeButtons();
}

void CQuorvixMarksView::ArrangeButtons() {
    // The log window gives this pane 200 pixels: three columns would cut the buttons off
    // there, so they take as many columns as the width holds, at least one.
    const QMargins margins = m_buttonGrid->contentsMargins();
    const int spacing = std::max(0, m_buttonGrid->horizontalSpacing());
    const int buttonWidth = m_buttons.front()->minimumWidth();
    const int room = width() - margins.left() - margins.right() + spacing;
    const int columns = std::clamp(room / (buttonWidth + spacing), 1, kMaxButtonColumns);
    if (columns == m_columns)
        return;
    m_columns = columns;
    for (QPushButton* each : m_buttons)
        m_buttonGrid->removeWidget(each);
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        const int place = static_cast<int>(i);
        m_buttonGrid->addWidget(m_buttons[i], place / columns, place % columns);
    }
}

QSize CQuorvixMarksView::minimumSizeHint() const {
    const QMargins margins = m_buttonGrid->contentsMargins();
    return QSize(m_buttons.front()->minimumWidth() + margins.left() + margins.right(),
                 QWidget::minimumSizeHint().height());
}

bool CQuorvixMarksView::OnCmdMsg(int, bool) {
    return false;
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
