// CLogWindowHost: what the document manager, which makes the log windows, asks of the main
// frame around them: a place in its MDI area and the active window. The main frame
// implements it, and connects what each window tells it as it takes the window in; the log
// windows themselves know nothing of it. GUI thread only.
#pragma once

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
    virtual void ActivateLogWindow(CSplitterFrame* frame) = 0;
    // A log window came or went.
    virtual void OnLogWindowsChanged() = 0;
};
