#include "frames/WindowGeometry.h"

#include <algorithm>

CWindowGeometry::CWindowGeometry(const QRect& area, int step) : m_area(area), m_step(std::max(step, 1)) {}

int CWindowGeometry::MaxCascadeSteps() const {
    return std::max(0, std::min(m_area.width(), m_area.height()) / (3 * m_step));
}

QRect CWindowGeometry::CascadePlace(int position, int steps) const {
    const int offset = position * m_step;
    return QRect(m_area.left() + offset, m_area.top() + offset, std::max(1, m_area.width() - steps * m_step),
                 std::max(1, m_area.height() - steps * m_step));
}

std::vector<QRect> CWindowGeometry::Cascade(int count) const {
    std::vector<QRect> places;
    if (count <= 0)
        return places;
    const int steps = std::min(count - 1, MaxCascadeSteps());
    places.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        places.push_back(CascadePlace(i % (steps + 1), steps));
    return places;
}

QRect CWindowGeometry::DefaultPlace(int index) const {
    const int steps = MaxCascadeSteps();
    return CascadePlace(std::max(index, 0) % (steps + 1), steps);
}

std::vector<QRect> CWindowGeometry::Tile(int count) const {
    std::vector<QRect> places;
    if (count <= 0)
        return places;
    places.reserve(static_cast<size_t>(count));
    const int height = m_area.height() / count;
    for (int i = 0; i < count; ++i) {
        const int top = i * height;
        const int bottom = i == count - 1 ? m_area.height() : top + height;
        places.emplace_back(m_area.left(), m_area.top() + top, m_area.width(), bottom - top);
    }
    return places;
}
