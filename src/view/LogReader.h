// CLogReader: the reading of one log for the life of its view. It starts the reader
// (CTraceWnd) on the log's file, keeps how far the load has come, and after the load
// follows the file: lines appended, the file cut short, deleted, or another file put at
// its path (a rotation, or the view's own save). What the user should learn it tells by
// signals; the view decides how to show it.
//
// Ownership: the log view owns it and the core it fills; the core outlives it. Destroying
// it, or Stop(), stops and joins the reader thread. GUI thread only.
#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <optional>

#include "core/FileState.h"
#include "loader/TraceWnd.h"

class CLogViewCore;
class QWidget;

class CLogReader : public QObject {
    Q_OBJECT

public:
    // `progressOwner`: the window a load's progress dialog is modal over.
    CLogReader(CLogViewCore& core, QWidget* progressOwner);
    ~CLogReader() override;

    // Counts the load as begun from now on (IsLoading), before the reader itself starts.
    void Expect() { m_loadStarted = true; }
    // Starts reading `path` and following it. Without a thread or memory for the reader
    // the load ends at once, as one that ran out of memory.
    void Start(const QString& path);
    // Stops and joins the reader; nothing more is read or told.
    void Stop() { m_reader.reset(); }

    bool IsLoading() const { return m_loadStarted && !m_loadEnded; }
    // Read to its end, or as far as memory allowed.
    bool IsLoadDone() const { return m_loadDone; }
    CTraceWnd* Reader() const { return m_reader.get(); }
    // The file as last read (or saved by this view): nothing until a load has read it.
    const std::optional<FileState>& SourceState() const { return m_sourceState; }
    // The view just saved its list to the log's own file: that file is what it last read,
    // and the reader takes it from its end instead of as a rotation.
    void OnOwnFileSaved(std::optional<FileState> saved);

signals:
    // The load has ended, however; `how` says how (its messages are told already).
    void LoadEnded(CTraceWnd::LoadEnd how);
    // Lines of the followed file were added to the store.
    void LinesTaken();
    // The file was cut short under a log whose lines are read from it: those lines can
    // be read no more, and the list starts again with what the file holds now.
    void LinesLost();
    // A text for the status bar, and one for a warning box (to show from the event loop).
    void StatusText(const QString& text);
    void Warning(const QString& text);

private:
    void OnLoadEnded(CTraceWnd::LoadEnd how);
    void TellStopped(CTraceWnd::LoadEnd how);
    void TellCompressedStopped(CTraceWnd::LoadEnd how);
    void OnFileTruncated();
    void OnPathReplaced(const FileState& file);
    QString DisplayPath() const;
    QString DisplayName() const;

    CLogViewCore& m_core;
    QWidget* m_progressOwner;
    QString m_path;
    std::unique_ptr<CTraceWnd> m_reader;
    bool m_loadStarted = false;
    bool m_loadEnded = false;
    bool m_loadDone = false;
    std::optional<FileState> m_sourceState;
    // The path was found naming nothing (told once, until a file is there again).
    bool m_fileGone = false;
};
