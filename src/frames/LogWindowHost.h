// CLogWindowHost: what the document manager, which makes the log windows and connects
// their signals, asks of the main frame around them: a place in its MDI area, the active
// window, a default geometry, the command states and the status bar. The main frame
// implements it; the log windows themselves know nothing of it. GUI thread only.
#pragma once

#include <QRect>
#include <QString>

class CSplitterFrame;
class QWidget;

class CLogWindowHost {
public:
    virtual ~CLogWindowHost() = default;

    // The widget questions about the log windows are asked over.
    virtual QWidget* HostWidget() = 0;
    // The client width a new log window starts with.
    virtual int LogWindowClientWidth() const = 0;
    // Adds a new log window to the MDI area, not shown yet.
    virtual void AddLogWindow(CSplitterFrame* frame) = 0;
    // Shows a log window maximized and makes it the active one.
    virtual void ShowLogWindow(CSplitterFrame* frame) = 0;
    virtual void ActivateLogWindow(CSplitterFrame* frame) = 0;
    // The normal geometry of a log window that never had one of its own.
    virtual QRect DefaultLogWindowGeometry(const CSplitterFrame* frame) const = 0;
    // A log window came or went.
    virtual void OnLogWindowsChanged() = 0;
    // The enabled state of every command, brought up to date.
    virtual void UpdateCommandUI() = 0;
    // The status bar's message pane.
    virtual void SetStatusText(const QString& text) = 0;
};
