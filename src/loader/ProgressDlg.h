// CProgressDlg: the "Processing (please wait ...)" dialog a producer (a log's reader, a
// rebuild of the log list) shows while it works, when the configuration asks for it.
//
// Each producer brings up and steps its own dialog. The dialog lives on the GUI thread;
// a producer on a worker thread reaches it only through messages: UM_PROGRESS_STEP
// advances the bar, BM_CLICK with IDCANCEL closes it. Escape closes it too, and never
// stops the producer. Once closed, the dialog's handle is no window any more and the
// object deletes itself (later, from the event loop).
#pragma once

#include <cstdint>

#include "platform/DialogTemplate.h"
#include "platform/Window.h"

class QProgressBar;

class CProgressDlg : public CDialog, public CWnd {
    Q_OBJECT

public:
    // Made on the GUI thread, for template 141, modal over `owner` (application-modal
    // without one) once shown.
    explicit CProgressDlg(QWidget* owner = nullptr);
    ~CProgressDlg() override;

    // The bar's upper bound; 0 keeps the default of 100. Before the dialog is shown.
    void SetUpper(uint64_t upper);
    uint64_t Upper() const { return m_nUpper; }
    // Where the producer's steps have brought the bar, in the producer's units.
    uint64_t Position() const { return m_position; }
    QProgressBar* Bar() const;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    void OnInitDialog() override;
    void OnCancel() override;

private:
    void Step(uint64_t step);

    uint64_t m_nUpper = 100;
    uint64_t m_position = 0;
    // A bar holds an int; bounds beyond it are shown shifted right by this many bits.
    int m_shift = 0;
};

// Brings up a progress dialog for a producer whose work adds up to `upper`, when the
// configuration's LOAD_STATUS switch is on; returns null (and shows nothing) when it is
// off. GUI thread only. The dialog deletes itself when closed; until then it belongs to
// `owner` (or, without one, to the caller).
CProgressDlg* StartProgressDialog(uint64_t upper, QWidget* owner);
