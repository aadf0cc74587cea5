// CSplitterWnd: the static splitter of a log window, one row of two columns (the log view,
// the marks view). GUI thread only.
#pragma once

#include <QSplitter>

// A static splitter of one row: panes are addressed by (row, column).
class CSplitterWnd : public QSplitter {
    Q_OBJECT

public:
    explicit CSplitterWnd(QWidget* parent = nullptr);

    // The pane in `row`, `column`, or null when there is none.
    QWidget* GetPane(int row, int column) const;
    // Column 0 asks for `width` pixels of a client area `clientWidth` wide, so the last
    // column gets `clientWidth` - `width`. The window's real size is known only once it is
    // on screen (and maximized), so until the user moves the divider every layout gives
    // the last column that width and the first column the rest. After that the divider
    // stays where the user put it and the first column takes what the window gains.
    void SetFirstColumnWidth(int width, int clientWidth);
    // Whether the user has moved the divider.
    bool DividerMoved() const { return m_dividerMoved; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void PlaceColumns();

    int m_lastColumnWidth = -1; // -1: nothing asked for
    bool m_dividerMoved = false;
};
