#include <gtest/gtest.h>

#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "core/LevelConfig.h"
#include "loader/ProgressDlg.h"
#include "platform/ControlIds.h"
#include "platform/Prompts.h"

namespace {

TEST(ProgressDlg, RangesBeyondAnIntAreScaledNotWrapped) {
    const int32_t saved = g_loadStatus;
    g_loadStatus = 1;
    QPointer<CProgressDlg> dialog = StartProgressDialog(5'000'000'000ull, nullptr); // a 5 GB log
    g_loadStatus = saved;
    ASSERT_TRUE(dialog);
    QProgressBar* bar = dialog->Bar();
    ASSERT_NE(bar, nullptr);
    EXPECT_GT(bar->maximum(), 1'000'000'000); // most of the int range is used
    dialog->Step(2'500'000'000ull);
    EXPECT_EQ(dialog->Position(), 2'500'000'000ull);
    EXPECT_NEAR(bar->value(), bar->maximum() / 2, 2);
    // Steps past the bound leave the bar full.
    dialog->Step(4'000'000'000ull);
    EXPECT_EQ(dialog->Position(), 5'000'000'000ull);
    EXPECT_EQ(bar->value(), bar->maximum());

    // The hidden Cancel button, and the producer closing the dialog: once, however often
    // it is asked.
    QWidget* cancel = FindControl(dialog, IDCANCEL);
    ASSERT_NE(cancel, nullptr);
    EXPECT_FALSE(cancel->isVisible());
    CloseProgressDialog(dialog);
    EXPECT_TRUE(dialog->IsClosed());
    EXPECT_FALSE(dialog->isVisible());
    CloseProgressDialog(dialog);
    CloseProgressDialog(nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.isNull(); }, 10000));
}

TEST(ProgressDlg, QuickStepsShowAMomentLaterAndAFullBarAtOnce) {
    const int32_t saved = g_loadStatus;
    g_loadStatus = 1;
    QPointer<CProgressDlg> dialog = StartProgressDialog(1000, nullptr);
    g_loadStatus = saved;
    ASSERT_TRUE(dialog);
    QProgressBar* bar = dialog->Bar();
    int values = 0;
    QObject::connect(bar, &QProgressBar::valueChanged, [&] { ++values; });
    for (int i = 0; i < 500; ++i) // a load's pace: the bar catches up a moment later
        dialog->Step(1);
    EXPECT_LT(values, 500);
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar->value() == 500; }, 10000));
    dialog->Step(1);
    dialog->Step(2000);
    EXPECT_EQ(bar->value(), 1000);
    CloseProgressDialog(dialog);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.isNull(); }, 10000));
}

TEST(ProgressDlg, SwitchOffShowsNothingAndZeroBoundKeepsTheDefault) {
    const int32_t saved = g_loadStatus;
    g_loadStatus = 0;
    EXPECT_EQ(StartProgressDialog(1000, nullptr), nullptr);
    g_loadStatus = 2;
    QPointer<CProgressDlg> dialog = StartProgressDialog(0, nullptr);
    g_loadStatus = saved;
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->Upper(), 100u);
    EXPECT_EQ(dialog->Bar()->maximum(), 100);
    EXPECT_EQ(dialog->windowModality(), Qt::ApplicationModal);
    QTest::keyClick(dialog, Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.isNull(); }, 10000));
}

} // namespace
