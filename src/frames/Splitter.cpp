#include "frames/Splitter.h"

#include <algorithm>

CSplitterWnd::CSplitterWnd(QWidget* parent) : QSplitter(Qt::Horizontal, parent) {
    setOpaqueResize(true);
    connect(this, &QSplitter::splitterMoved, this, [this] { m_dividerMoved = true; });
}

QWidget* CSplitterWnd::GetPane(int row, int column) const {
    if (row != 0 || column < 0 || column >= count())
        return nullptr;
    return widget(column);
}

void CSplitterWnd::SetFirstColumnWidth(int width, int clientWidth) {
    m_lastColumnWidth = std::max(0, clientWidth - width);
    m_dividerMoved = false;
    for (int i = 0; i < count(); ++i)
        setStretchFactor(i, i == 0 ? 1 : 0);
    PlaceColumns();
}

void CSplitterWnd::PlaceColumns() {
    if (m_dividerMoved || m_lastColumnWidth < 0 || count() < 2 || width() <= 0)
        return;
    const int last = std::min(m_lastColumnWidth, width());
    setSizes({std::max(0, width() - last), std::max(0, last - handleWidth())});
}

void CSplitterWnd::resizeEvent(QResizeEvent* event) {
    QSplitter::resizeEvent(event);
    PlaceColumns();
}
