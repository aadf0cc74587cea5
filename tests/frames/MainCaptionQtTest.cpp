// The main frame's caption names the active log in every arrangement of the log windows.
#include <gtest/gtest.h>

#include <QMdiArea>

#include "support/AppHarness.h"

namespace {

class MainCaptionTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(harness.Start()); }

    CSplitterFrame* Open(const char* name) { return harness.OpenAndLoad(harness.Write(name, "line\n")); }
    // The caption once what the step queued has run.
    QString Caption() {
        AppHarness::Settle();
        return harness.Frame().windowTitle();
    }
    void Activate(CSplitterFrame* window) { harness.Frame().ActivateLogWindow(window); }
    QString Active() { return harness.Frame().ActiveLogWindow()->windowTitle(); }

    AppHarness harness;
};

} // namespace

TEST_F(MainCaptionTest, NamesTheActiveLogWhateverTheArrangement) {
    EXPECT_EQ(Caption(), "Quorvix");
    CSplitterFrame* a = Open("a.log");
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(a->isMaximized());
    EXPECT_EQ(Caption(), "Quorvix - a.log");
    CSplitterFrame* b = Open("b.log");
    CSplitterFrame* c = Open("c.log");
    ASSERT_TRUE(b && c);
    EXPECT_EQ(Caption(), "Quorvix - c.log");

    // Switching between maximized windows.
    Activate(a);
    EXPECT_EQ(Caption(), "Quorvix - a.log");
    harness.Frame().MdiClient()->activateNextSubWindow();
    EXPECT_EQ(Caption(), "Quorvix - " + Active());

    // Cascade and Tile leave the windows normal; the active one is still named.
    harness.Frame().RouteCommand(ID_WINDOW_CASCADE, true);
    EXPECT_FALSE(b->isMaximized());
    EXPECT_EQ(Caption(), "Quorvix - " + Active());
    Activate(b);
    EXPECT_EQ(Caption(), "Quorvix - b.log");
    harness.Frame().RouteCommand(ID_WINDOW_TILE_HORZ, true);
    EXPECT_EQ(Caption(), "Quorvix - b.log");
    Activate(c);
    EXPECT_EQ(Caption(), "Quorvix - c.log");

    // One window maximized, the others normal, and back.
    a->showMaximized();
    Activate(a);
    EXPECT_EQ(Caption(), "Quorvix - a.log");
    a->showNormal();
    EXPECT_EQ(Caption(), "Quorvix - a.log");
    a->showMaximized();
    Activate(b);
    EXPECT_EQ(Caption(), "Quorvix - b.log");
    Activate(a);
    EXPECT_EQ(Caption(), "Quorvix - a.log");

    // Closing the active window names the one that becomes active; the last one gone,
    // the caption is the program's alone.
    a->close();
    EXPECT_EQ(Caption(), "Quorvix - " + Active());
    EXPECT_NE(Active(), "a.log");
    harness.Frame().ActiveLogWindow()->close();
    EXPECT_EQ(Caption(), "Quorvix - " + Active());
    harness.Frame().ActiveLogWindow()->close();
    EXPECT_EQ(Caption(), "Quorvix");
}

TEST_F(MainCaptionTest, FollowsTheActiveLogsNewName) {
    CSplitterFrame* a = Open("a.log");
    ASSERT_NE(a, nullptr);
    a->Document()->SetPathName(harness.PathOf("renamed.log"), false);
    EXPECT_EQ(Caption(), "Quorvix - renamed.log");
    a->showNormal();
    a->Document()->SetPathName(harness.PathOf("again.log"), false);
    EXPECT_EQ(Caption(), "Quorvix - again.log");
}
