#include "loader/ProgressDlg.h"

#include <QBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
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
// Steps closer together than this wait for it: the bar moves smoothly enough at ten
// values a second.
constexpr qint64 kShowSpacingMs = 100;

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
    m_showTimer = new QTimer(this);
    m_showTimer->setSingleShot(true);
    connect(m_showTimer, &QTimer::timeout, this, &CProgressDlg::ShowPosition);
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
    const qint64 since = m_shown.isValid() ? m_shown.elapsed() : kShowSpacingMs;
    if (m_position >= m_upper || since >= kShowSpacingMs)
        ShowPosition();
    else if (!m_showTimer->isActive())
        m_showTimer->start(static_cast<int>(kShowSpacingMs - since));
}

void CProgressDlg::ShowPosition() {
    m_showTimer->stop();
    m_shown.start();
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
