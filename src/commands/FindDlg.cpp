#include "commands/FindDlg.h"

#include <QByteArray>
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <new>
#include <string_view>

#include "commands/Commands.h"
#include "core/LogViewCore.h"
#include "res/Resources.h"
#include "res/Strings.h"
#include "view/LogListBox.h"

int g_findFound = 0;

namespace {

// The dialog's frame: a caption and a close box; its controls are made in code.
DialogTemplate FindFrame() {
    DialogTemplate frame;
    frame.id = IDD_FIND;
    frame.caption = res::kFindCaption;
    frame.style = DialogStyle::Caption | DialogStyle::SystemMenu | DialogStyle::ModalFrame;
    return frame;
}

template <class T> T* Control(T* widget, int id) {
    SetControlId(widget, id);
    return widget;
}

} // namespace

CFindDlg::CFindDlg(CommandHost& view) : CDialog(FindFrame(), view.DialogParent()), m_view(view) {
    const QString tip = QString::fromUtf8(res::kSearchRuleTip);
    auto* label = new QLabel(QString::fromUtf8(res::kFindWhatLabel), this);
    auto* edit = Control(new QLineEdit(this), IDC_FIND_WHAT);
    edit->setToolTip(tip);
    edit->setMinimumWidth(edit->fontMetrics().averageCharWidth() * 40);
    auto* findAll = Control(new QPushButton(QString::fromUtf8(res::kFindAllButton), this), IDOK);
    findAll->setDefault(true);
    auto* cancel = Control(new QPushButton(QString::fromUtf8(res::kCancelButton), this), IDCANCEL);
    auto* bookmark =
        Control(new QCheckBox(QString::fromUtf8(res::kBookmarkFoundBox), this), IDC_BOOKMARK_FOUND);
    auto* matchCase =
        Control(new QCheckBox(QString::fromUtf8(res::kMatchCaseBox), this), IDC_FIND_MATCH_CASE);
    auto* wholeWord =
        Control(new QCheckBox(QString::fromUtf8(res::kWholeWordBox), this), IDC_FIND_WHOLE_WORD);
    auto* regex = Control(new QCheckBox(QString::fromUtf8(res::kRegexBox), this), IDC_FIND_REGEX);
    for (QCheckBox* option : {matchCase, wholeWord, regex})
        option->setToolTip(tip);
    connect(findAll, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(cancel, &QPushButton::clicked, this, [this] { OnCancel(); });

    // The keyword and its label on the left, the buttons on the right, the boxes below.
    auto* grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0);
    grid->addWidget(edit, 0, 1);
    auto* buttons = new QVBoxLayout();
    buttons->addWidget(findAll);
    buttons->addWidget(cancel);
    buttons->addStretch();
    grid->addLayout(buttons, 0, 2, 5, 1);
    grid->addWidget(bookmark, 1, 0, 1, 2);
    grid->addWidget(matchCase, 2, 0, 1, 2);
    grid->addWidget(wholeWord, 3, 0, 1, 2);
    grid->addWidget(regex, 4, 0, 1, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    // The template's frame had no size: the layout gives it one.
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    // The edit first, so that it has the focus when the dialog opens.
    QWidget::setTabOrder(edit, findAll);
    QWidget::setTabOrder(findAll, cancel);
    QWidget::setTabOrder(cancel, bookmark);
    QWidget::setTabOrder(bookmark, matchCase);
    QWidget::setTabOrder(matchCase, wholeWord);
    QWidget::setTabOrder(wholeWord, regex);
    edit->setFocus();
}

void CFindDlg::OnInitDialog() {
    UpdateData(false);
}

void CFindDlg::UpdateData(bool save) {
    if (save) {
        m_keyword = GetDlgItemText(IDC_FIND_WHAT);
        m_bookmarkFound = IsDlgButtonChecked(IDC_BOOKMARK_FOUND) ? 1 : 0;
        m_options.matchCase = IsDlgButtonChecked(IDC_FIND_MATCH_CASE);
        m_options.wholeWord = IsDlgButtonChecked(IDC_FIND_WHOLE_WORD);
        m_options.regex = IsDlgButtonChecked(IDC_FIND_REGEX);
    } else {
        SetDlgItemText(IDC_FIND_WHAT, m_keyword);
        CheckDlgButton(IDC_BOOKMARK_FOUND, m_bookmarkFound != 0);
        CheckDlgButton(IDC_FIND_MATCH_CASE, m_options.matchCase);
        CheckDlgButton(IDC_FIND_WHOLE_WORD, m_options.wholeWord);
        CheckDlgButton(IDC_FIND_REGEX, m_options.regex);
    }
}

void CFindDlg::OnOK() {
    UpdateData(true);
    if (m_keyword.isEmpty())
        return;
    QWidget* findAll = GetDlgItem(IDOK);
    if (findAll)
        findAll->setEnabled(false);
    const bool searched = FindAll();
    if (findAll)
        findAll->setEnabled(true);
    if (!searched) {
        // The keyword stays, selected, for the user to mend.
        if (auto* edit = GetDlgItem<QLineEdit>(IDC_FIND_WHAT)) {
            edit->setFocus();
            edit->selectAll();
        }
        return;
    }
    CDialog::OnOK();
}

bool CFindDlg::FindAll() {
    CLogListBox& list = m_view.LogList();
    DisplayList& model = list.Model();
    // Lines are bytes; the keyword is compared as the UTF-8 it is shown as.
    const QByteArray keyword = m_keyword.toUtf8();
    const std::string_view needle(keyword.constData(), static_cast<size_t>(keyword.size()));
    std::unique_ptr<TextMatcher> matcher;
    if (m_options.Any()) {
        MatchError error;
        matcher = TextMatcher::Compile(needle, m_options, &error);
        if (!matcher) {
            const QString reason = QString::fromUtf8(error.message);
            // The engine counts bytes of the UTF-8; the user counts characters.
            const QString message =
                error.position < 0 ? QString::fromUtf8(res::kBadRegex).arg(reason)
                                   : QString::fromUtf8(res::kBadRegexAt)
                                         .arg(reason)
                                         .arg(QString::fromUtf8(keyword.left(error.position)).size() + 1);
            AfxMessageBox(message, MB_OK | MB_ICONWARNING, this);
            return false;
        }
    }
    // A search through millions of lines holds the GUI thread for a while; the wait
    // cursor says so (and is gone before a message asks for a click).
    m_view.BeginWaitCursor();
    // Every line the search finds, in one pass (shared by the processors), then each one
    // found in turn, as a search going on after the last line found would give them.
    std::vector<int> found;
    try {
        found = matcher ? LinesMatching(model, *matcher) : LinesHoldingAny(model, {needle});
        // Bookmarking a line drops its selection, so the lines are selected after it.
        // AddAll makes its room first: when memory runs out, nothing has changed yet.
        if (m_bookmarkFound)
            m_view.Core().m_bookmarks.AddAll(found);
    } catch (const std::bad_alloc&) {
        // Nothing was changed yet; the dialog comes back as after a search that found
        // nothing, for a rarer keyword or Cancel.
        g_findFound = 0;
        m_view.EndWaitCursor();
        AfxMessageBox(QString::fromUtf8(res::kSearchOutOfMemory), MB_OK | MB_ICONWARNING, this);
        return true;
    }
    if (found.empty()) {
        g_findFound = 0;
        m_view.EndWaitCursor();
        AfxMessageBox(QString::fromUtf8(res::kFindNotFound), MB_OK, this);
        return true;
    }
    for (const int index : found)
        model.SetSel(index, true);
    g_findFound = 1;
    const int last = found.back();
    // As the list box does for each line it is asked to select: the caret ends on the last
    // one, scrolled into view.
    list.SetCaretIndex(last);
    edit_commands::ShowCaretLine(m_view);
    m_view.EndWaitCursor();
    return true;
}
