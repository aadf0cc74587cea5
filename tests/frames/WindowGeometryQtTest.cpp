// Where Cascade and Tile put the log windows.
#include <gtest/gtest.h>

#include "frames/WindowGeometry.h"

TEST(WindowGeometryTest, CascadeStaggersWindowsOfOneSizeAndStartsOverWhenFull) {
    const CWindowGeometry geometry(QRect(0, 0, 900, 600), 30);
    // Two thirds of the shorter side stay: 600 / 90 offsets.
    EXPECT_EQ(geometry.MaxCascadeSteps(), 6);

    SCOPED_TRACE("few windows: as large as the offsets they need allow");
    EXPECT_EQ(geometry.Cascade(3),
              (std::vector<QRect>{{0, 0, 840, 540}, {30, 30, 840, 540}, {60, 60, 840, 540}}));

    SCOPED_TRACE("more windows than offsets: the eighth is at the corner again");
    const std::vector<QRect> nine = geometry.Cascade(9);
    ASSERT_EQ(nine.size(), 9u);
    EXPECT_EQ(nine[6], QRect(180, 180, 720, 420));
    EXPECT_EQ(nine[7].topLeft(), QPoint(0, 0));
    for (const QRect& place : nine) {
        EXPECT_EQ(place.size(), nine[0].size());
        EXPECT_TRUE(QRect(0, 0, 900, 600).contains(place));
    }
    EXPECT_EQ(geometry.DefaultPlace(8), geometry.CascadePlace(1, 6));
}

TEST(WindowGeometryTest, TileCoversTheAreaWithoutOverlapAndOddSizesStaySane) {
    SCOPED_TRACE("three windows over 100 pixels: the last takes the rest");
    const CWindowGeometry geometry(QRect(10, 20, 300, 100), 25);
    const std::vector<QRect> tiles = geometry.Tile(3);
    ASSERT_EQ(tiles.size(), 3u);
    int top = 20;
    for (const QRect& tile : tiles) {
        EXPECT_EQ(tile.top(), top);
        EXPECT_EQ(tile.left(), 10);
        EXPECT_EQ(tile.width(), 300);
        top = tile.bottom() + 1;
    }
    EXPECT_EQ(top, 120);
    EXPECT_EQ(tiles[2].height(), 34);

    SCOPED_TRACE("no windows, an empty area, a step of 0");
    EXPECT_TRUE(geometry.Tile(0).empty());
    EXPECT_TRUE(geometry.Cascade(0).empty());
    const CWindowGeometry tiny(QRect(0, 0, 0, 0), 0);
    EXPECT_EQ(tiny.MaxCascadeSteps(), 0);
    for (const QRect& place : tiny.Cascade(4))
        EXPECT_FALSE(place.isEmpty());
    EXPECT_FALSE(tiny.DefaultPlace(3).isEmpty());
}
