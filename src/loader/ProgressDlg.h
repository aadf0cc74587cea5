// CProgressDlg: the "Processing (please wait ...)" dialog a producer (a log's reader, a
// rebuild of the log list) shows while it works, when the configuration asks for it.
//
// Each producer brings up, steps and closes its own dialog, on the GUI thread (a reader
// does so where its batches arrive). Escape closes it too, and never stops the producer.
// Once closed, the object deletes itself (later, from the event loop): a producer holds it
// by QPointer, and a closed dialog takes no more steps.
//
// Its controls: the bar (IDC_PROGRESS) and a Cancel button (IDCANCEL) that is never shown.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <cstdint>

class QProgressBar;
class QTimer;

class CProgressDlg : public QDialog {
    Q_OBJECT

public:
    // Made on the GUI thread, application-modal once shown; `owner` is its parent.
    explicit CProgressDlg(QWidget* owner = nullptr);

    // The bar's upper bound; 0 keeps the default of 100. Before the dialog is shown.
    void SetUpper(uint64_t upper);
    uint64_t Upper() const { return m_upper; }
    // Where the producer's steps have brought the bar, in the producer's units.
    uint64_t Position() const { return m_position; }
    QProgressBar* Bar() const { return m_bar; }
    // Shows the dialog, its bar at 0 of the bound, without waiting.
    void Create();

    // Advances the bar by `step` of the producer's units; past the bound it stays full.
    // A step after a quiet spell, or one that fills the bar, shows at once; while steps
    // keep coming the bar shows them at most about ten times a second (a load steps it
    // once a batch, and each new value paints the bar there and then).
    void Step(uint64_t step);
    // The producer is done: the dialog closes, as with its Cancel button.
    void Close();
    // True once the dialog was closed (by its producer or by Escape).
    bool IsClosed() const { return m_closed; }

    // Escape: the same as Close.
    void reject() override;

private:
    // Puts Position() on the bar.
    void ShowPosition();

    QProgressBar* m_bar = nullptr;
    // When the bar last took a new value, and the timer of a value held back.
    QElapsedTimer m_shown;
    QTimer* m_showTimer = nullptr;
    uint64_t m_upper = 100;
    uint64_t m_position = 0;
    // A bar holds an int; bounds beyond it are shown shifted right by this many bits.
    int m_shift = 0;
    bool m_closed = false;
};

// Brings up a progress dialog for a producer whose work adds up to `upper`, when the
// configuration's LOAD_STATUS switch is on; returns null (and shows nothing) when it is
// off. GUI thread only. The dialog deletes itself when closed; until then it belongs to
// `owner` (or, without one, to the caller).
CProgressDlg* StartProgressDialog(uint64_t upper, QWidget* owner);

// Closes `dialog` when it is still up; null or already closed does nothing.
void CloseProgressDialog(CProgressDlg* dialog);
