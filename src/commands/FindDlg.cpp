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
#include "platform/ControlIds.h"
#include "platform/Prompts.h"
#include "res/Resources.h"
#include "res/Strings.h"
#include "view/LogListBox.h"

int g_findFound = 0;

namespace {

template <class T> T* Control(T* widget, int id) {
    SetControlId(widget, id);
    return widget;
}

} // namespace

CFindDlg::CFindDlg(CommandHost& view) : QDialog(view.DialogParent()), m_view(view) {
    setWindowTitle(QString::fromUtf8(res::kFindCaption));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    const QString tip = QString::fromUtf8(res::kSearchRuleTip);
    auto* label = new QLabel(QString::fromUtf8(res::kFindWhatLabel), this);
    m_edit = Control(new QLineEdit(this), IDC_FIND_WHAT);
    m_edit->setToolTip(tip);
    m_edit->setMinimumWidth(m_edit->fontMetrics().averageCharWidth() * 40);
    m_findAll = Control(new QPushButton(QString::fromUtf8(res::kFindAllButton), this), IDOK);
    m_findAll->setDefault(true);
    auto* cancel = Control(new QPushButton(QString::fromUtf8(res::kCancelButton), this), IDCANCEL);
    m_bookmark = Control(new QCheckBox(QString::fromUtf8(res::kBookmarkFoundBox), this), IDC_BOOKMARK_FOUND);
    m_matchCase = Control(new QCheckBox(QString::fromUtf8(res::kMatchCaseBox), this), IDC_FIND_MATCH_CASE);
    m_wholeWord = Control(new QCheckBox(QString::fromUtf8(res::kWholeWordBox), this), IDC_FIND_WHOLE_WORD);
    m_regex = Control(new QCheckBox(QString::fromUtf8(res::kRegexBox), this), IDC_FIND_REGEX);
    for (QCheckBox* option : {m_matchCase, m_wholeWord, m_regex})
        option->setToolTip(tip);
    connect(m_findAll, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    // The keyword and its label on the left, the buttons on the right, the boxes below.
    auto* grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0);
    grid->addWidget(m_edit, 0, 1);
    auto* buttons = new QVBoxLayout();
    buttons->addWidget(m_findAll);
    buttons->addWidget(cancel);
    buttons->addStretch();
    grid->addLayout(buttons, 0, 2, 5, 1);
    grid->addWidget(m_bookmark, 1, 0, 1, 2);
    grid->addWidget(m_matchCase, 2, 0, 1, 2);
    grid->addWidget(m_wholeWord, 3, 0, 1, 2);
    grid->addWidget(m_regex, 4, 0, 1, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    // The edit first, so that it has the focus when the dialog opens.
    QWidget::setTabOrder(m_edit, m_findAll);
    QWidget::setTabOrder(m_findAll, cancel);
    QWidget::setTabOrder(cancel, m_bookmark);
    QWidget::setTabOrder(m_bookmark, m_matchCase);
    QWidget::setTabOrder(m_matchCase, m_wholeWord);
    QWidget::setTabOrder(m_wholeWord, m_regex);
    m_edit->setFocus();
    UpdateData(false);
}

void CFindDlg::UpdateData(bool save) {
    if (save) {
        m_keyword = m_edit->text();
        m_bookmarkFound = m_bookmark->isChecked() ? 1 : 0;
        m_options.matchCase = m_matchCase->isChecked();
        m_options.wholeWord = m_wholeWord->isChecked();
        m_options.regex = m_regex->isChecked();
    } else {
        m_edit->setText(m_keyword);
        m_bookmark->setChecked(m_bookmarkFound != 0);
        m_matchCase->setChecked(m_options.matchCase);
        m_wholeWord->setChecked(m_options.wholeWord);
        m_regex->setChecked(m_options.regex);
    }
}

void CFindDlg::accept() {
    UpdateData(true);
    if (m_keyword.isEmpty())
        return;
    m_findAll->setEnabled(false);
    const bool searched = FindAll();
    m_findAll->setEnabled(true);
    if (!searched) {
        // The keyword stays, selected, for the user to mend.
        m_edit->setFocus();
        m_edit->selectAll();
        return;
    }
    QDialog::accept();
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
