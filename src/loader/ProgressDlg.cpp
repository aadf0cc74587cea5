#include "loader/ProgressDlg.h"

#include <QProgressBar>
#include <algorithm>
#include <climits>

#include "core/LevelConfig.h"
#include "res/Resources.h"

CProgressDlg::CProgressDlg(QWidget* owner) : CDialog(GetDialogTemplate(IDD_PROGRESS), owner) {
    setWindowModality(Qt::ApplicationModal);
    // No close box: the dialog ends when its producer is done, or with Escape.
    setWindowFlags((windowFlags() | Qt::CustomizeWindowHint | Qt::WindowTitleHint) &
                   ~(Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint));
}

void CProgressDlg::SetUpper(uint64_t upper) {
    if (upper != 0)
        m_upper = upper;
}

QProgressBar* CProgressDlg::Bar() const {
    return GetDlgItem<QProgressBar>(IDC_PROGRESS);
}

void CProgressDlg::OnInitDialog() {
    m_shift = 0;
    while ((m_upper >> m_shift) > static_cast<uint64_t>(INT_MAX))
        ++m_shift;
    if (QProgressBar* bar = Bar()) {
        bar->setRange(0, static_cast<int>(m_upper >> m_shift));
        bar->setValue(0);
    }
    raise();
    activateWindow();
}

void CProgressDlg::Step(uint64_t step) {
    // Past the bound (a file that grew while read) the bar stays full instead of wrapping.
    m_position = step > m_upper - std::min(m_position, m_upper) ? m_upper : m_position + step;
    if (QProgressBar* bar = Bar())
        bar->setValue(static_cast<int>(m_position >> m_shift));
}

void CProgressDlg::OnCancel() {
    if (m_closed)
        return;
    m_closed = true;
    CDialog::OnCancel();
    deleteLater();
}

void CProgressDlg::Close() {
    OnCancel();
}

CProgressDlg* StartProgressDialog(uint64_t upper, QWidget* owner) {
    if (g_loadStatus == 0)
        return nullptr;
    auto* dialog = new CProgressDlg(owner);
    dialog->SetUpper(upper);
    dialog->Create();
    return dialog;
}

void CloseProgressDialog(CProgressDlg* dialog) {
    if (dialog && !dialog->IsClosed())
        dialog->Close();
}
