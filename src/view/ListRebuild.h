// CListRebuild: the rebuild of a log list from its stored lines (the refill). It shows a
// run of stored lines each turn of the event loop, each through the core's refill rule in
// file order, and steps a progress dialog (bound: lines x 100, step 10 a line). Lines that
// arrive meanwhile as the file grows go to the store only, and the rebuild shows them as
// it walks on. Memory running out ends it with the lines shown so far, in order.
//
// It knows nothing of loads: its owner, the log view, asks for a rebuild only when none
// runs and no load does, and otherwise marks it pending to run once they have ended.
//
// Ownership: the log view owns it and the core; the core outlives it. GUI thread only.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <cstddef>

#include "loader/ProgressDlg.h"

class CLogViewCore;
class QWidget;

class CListRebuild : public QObject {
    Q_OBJECT

public:
    // `progressOwner`: the widget whose window the progress dialog is modal over.
    CListRebuild(CLogViewCore& core, QWidget* progressOwner);
    ~CListRebuild() override;

    // Starts the rebuild of an emptied list; clears the pending mark.
    void Start();
    // Ends a running rebuild where it stands, and closes its dialog.
    void Stop();

    bool IsRunning() const { return m_running; }
    // A rebuild was asked for while it could not run yet.
    bool IsPending() const { return m_pending; }
    void SetPending(bool pending) { m_pending = pending; }
    CProgressDlg* Progress() const { return m_progress.data(); }

signals:
    // The rebuild has run to its end, or stopped short of memory after `shown` items.
    void Finished(bool outOfMemory, int shown);

private:
    void OnStep();
    void ShowLines(size_t first, size_t count);

    CLogViewCore& m_core;
    QWidget* m_progressOwner;
    QTimer m_timer;
    QPointer<CProgressDlg> m_progress;
    size_t m_next = 0; // the next stored line to show
    bool m_running = false;
    bool m_pending = false;
    bool m_outOfMemory = false;
};
