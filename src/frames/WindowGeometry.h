// CWindowGeometry: where Window > Cascade and Window > Tile put the log windows of an MDI
// client area. Plain geometry: the frame measures the area and the cascade step (a title
// bar and the frame above it) and moves its windows to the places given here.
#pragma once

#include <QRect>
#include <vector>

class CWindowGeometry {
public:
    // `area`: the client area the windows share; `step`: the offset from one window of a
    // cascade to the next (at least 1 is used).
    CWindowGeometry(const QRect& area, int step);

    // How many offsets a cascade takes at most while a window keeps two thirds of the area.
    int MaxCascadeSteps() const;
    // The place at `position` of a cascade of `steps` offsets: all windows of one size,
    // each one step right of and below the one before.
    QRect CascadePlace(int position, int steps) const;
    // The places of `count` windows in a cascade, first the one at the corner. The fewer
    // the windows, the larger each; past the offsets that fit it starts again at the corner.
    std::vector<QRect> Cascade(int count) const;
    // The place of the window at `index` in a cascade of every window there can be: where
    // a window that never had a place of its own goes.
    QRect DefaultPlace(int index) const;
    // `count` windows one above the other, each the full width; the last takes what the
    // division leaves.
    std::vector<QRect> Tile(int count) const;

private:
    QRect m_area;
    int m_step;
};
