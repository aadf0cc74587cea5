#include "commands/FindDlg.h"

#include <QByteArray>
#include <new>
#include <string_view>

#include "commands/Commands.h"
#include "core/LogViewCore.h"
#include "res/Resources.h"
#include "view/LogListBox.h"

int g_findFound = 0;

CFindDlg::CFindDlg(CommandHost& view)
    : CDialog(GetDialogTemplate(IDD_FIND), view.DialogParent()), m_view(view) {}

void CFindDlg::OnInitDialog() {
    UpdateData(false);
}

void CFindDlg::UpdateData(bool save) {
    if (save) {
        m_keyword = GetDlgItemText(IDC_FIND_WHAT);
        m_bookmarkFound = IsDlgButtonChecked(IDC_BOOKMARK_FOUND) ? 1 : 0;
    } else {
        SetDlgItemText(IDC_FIND_WHAT, m_keyword);
        CheckDlgButton(IDC_BOOKMARK_FOUND, m_bookmarkFound != 0);
    }
}

void CFindDlg::OnOK() {
    UpdateData(true);
    if (m_keyword.isEmpty())
        return;
    QWidget* findAll = GetDlgItem(IDOK);
    if (findAll)
        findAll->setEnabled(false);
    FindAll();
    if (findAll)
        findAll->setEnabled(true);
    CDialog::OnOK();
}

void CFindDlg::FindAll() {
    CLogListBox& list = m_view.LogList();
    DisplayList& model = list.Model();
    // Lines are bytes; the keyword is compared as the UTF-8 it is shown as.
    const QByteArray keyword = m_keyword.toUtf8();
    const std::string_view needle(keyword.constData(), static_cast<size_t>(keyword.size()));
    // A search through millions of lines holds the GUI thread for a while; the wait
    // cursor says so (and is gone before a message asks for a click).
    m_view.BeginWaitCursor();
    // Every line the search finds, in one pass (shared by the processors), then each one
    // found in turn, as a search going on after the last line found would give them.
    std::vector<int> found;
    try {
        found = LinesHoldingAny(model, {needle});
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
        return;
    }
    if (found.empty()) {
        g_findFound = 0;
        m_view.EndWaitCursor();
        AfxMessageBox(QString::fromUtf8(res::kFindNotFound), MB_OK, this);
        return;
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
}
