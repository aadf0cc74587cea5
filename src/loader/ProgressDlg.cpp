#include "loader/ProgressDlg.h"

#include <QBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>
#include <climits>

#include "core/LevelConfig.h"
#include "platform/ControlIds.h"
#include "platform/Prompts.h"
#include "res/Resources.h"
#include "res/Strings.h"

namespace {

// The bar's width in average characters: room for a long bar whatever the font.
constexpr int kBarChars = 72;

} // namespace

CProgressDlg::CProgressDlg(QWidget* owner) : QDialog(owner) {
    setWindowTitle(QString::fromUtf8(res::kProgressCaption));
    setWindowModality(Qt::ApplicationModal);
    // No close box: the dialog ends when its producer is done, or with Escape.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    m_bar = new QProgressBar(this);
    SetControlId(m_bar, IDC_PROGRESS);
    m_bar->setTextVisible(false);
    m_bar->setMinimumWidth(kBarChars * fontMetrics().averageCharWidth());
    // Only the producer "clicks" it, by closing the dialog.
    auto* cancel = new QPushButton(QString::fromUtf8(res::kCancelCaption), this);
    SetControlId(cancel, IDCANCEL);
    cancel->setAutoDefault(false);
    cancel->hide();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_bar);
    layout->setContentsMargins(3 * fontMetrics().averageCharWidth(), 2 * fontMetrics().height(),
                               3 * fontMetrics().averageCharWidth(), 2 * fontMetrics().height());
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CProgressDlg::SetUpper(uint64_t upper) {
    if (upper != 0)
        m_upper = upper;
}

void CProgressDlg::Create() {
    m_shift = 0;
    while ((m_upper >> m_shift) > static_cast<uint64_t>(INT_MAX))
        ++m_shift;
    m_bar->setRange(0, static_cast<int>(m_upper >> m_shift));
    m_bar->setValue(0);
    show();
    raise();
    activateWindow();
}

void CProgressDlg::Step(uint64_t step) {
    // Past the bound (a file that grew while read) the bar stays full instead of wrapping.
    m_position = step > m_upper - std::min(m_position, m_upper) ? m_upper : m_position + step;
    m_bar->setValue(static_cast<int>(m_position >> m_shift));
}

void CProgressDlg::reject() {
    Close();
}

void CProgressDlg::Close() {
    if (m_closed)
        return;
    m_closed = true;
    done(Rejected);
    deleteLater();
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
