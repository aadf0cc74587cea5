#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <climits>
#include <filesystem>
#include <fstream>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "loader/Messages.h"
#include "core/LevelConfig.h"
#include "loader/ProgressDlg.h"
#include "loader/TraceWnd.h"
#include "support/TempDir.h"
#include "core/LogViewCore.h"

namespace {

constexpr int kWaitMs = 60000; // only a guard against hanging; loads take far less

// Stands in for the log view: takes UM_ADD_LINE and UM_LOAD_DONE as the view does and
// owns its reader window.
class TestLogView : public CWnd {
public:
    TestLogView() { CreateHandle(); }
    ~TestLogView() override { DestroyWindow(); }

    void StartLoad(const std::string& path) {
        reader = std::make_unique<CTraceWnd>(path);
        reader->CreateEx(GetSafeHwnd());
    }
    bool WaitForLoad() { return QTest::qWaitFor([&] { return loadDone > 0; }, kWaitMs); }
    bool WaitForReader() {
        return QTest::qWaitFor([&] { return reader && reader->ReaderFinished(); }, kWaitMs);
    }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
        case UM_ADD_LINE:
            if (list.GetCount() >= roomForLines)
                throw std::bad_alloc();
            if (auto* record = reinterpret_cast<LineRecord*>(lParam))
                core.OnAddLine(*record);
            return 0;
        case UM_LOAD_DONE:
            ++loadDone;
            loadEnd = wParam;
            core.OnLoadDone();
            return 0;
        default:
            return 0;
        }
    }

    std::vector<std::string> Texts() const {
        std::vector<std::string> out;
        for (int i = 0; i < list.GetCount(); ++i)
            out.emplace_back(list.GetText(i));
        return out;
    }

    CLogViewCore core;
    DisplayList& list = core.m_logList;
    int loadDone = 0;
    WPARAM loadEnd = 0;
    // Past this many lines the view runs out of memory.
    int roomForLines = INT_MAX;
    std::unique_ptr<CTraceWnd> reader;

protected:
    void OnDestroy() override { reader.reset(); }
};

// Sets LOAD_STATUS for one test.
class LoadStatus {
public:
    explicit LoadStatus(int value) : m_saved(g_loadStatus) { g_loadStatus = value; }
    ~LoadStatus() { g_loadStatus = m_saved; }

private:
    int32_t m_saved;
};

using Lines = std::vector<std::string>;

TEST(TraceWnd, DeliversEveryLineInFileOrder) {
    TempDir dir;
    LoadStatus status(0);
    {
        TestLogView view;
        view.StartLoad(dir.Write("a.log", "first\r\n\n  blank around  \nx ERR\r\nlast without LF"));
        ASSERT_TRUE(view.WaitForLoad());
        EXPECT_EQ(view.Texts(), (Lines{"first", "", "  blank around  ", "x ERR", "last without LF"}));
        EXPECT_EQ(view.loadDone, 1);
    }
    {
        // 2,500 bytes come as 1023, 1023 and 454; a line of exactly 1023 bytes stays whole.
        TestLogView view;
        view.StartLoad(dir.Write("b.log", std::string(2500, 'z') + "\n" + std::string(1023, 'y') + "\nend\n"));
        ASSERT_TRUE(view.WaitForLoad());
        EXPECT_EQ(view.Texts(), (Lines{std::string(1023, 'z'), std::string(1023, 'z'), std::string(454, 'z'),
                                       std::string(1023, 'y'), "end"}));
    }
    {
        // An empty file: a start, no line, an end.
        TestLogView view;
        view.StartLoad(dir.Write("empty.log", ""));
        ASSERT_TRUE(view.WaitForLoad());
        EXPECT_EQ(view.list.GetCount(), 0);
    }
}

TEST(TraceWnd, LargeFileCrossesInBatchesAndTheGuiKeepsTurning) {
    TempDir dir;
    LoadStatus status(0);
    std::string bytes;
    const int lines = 50000; // several batches
    for (int i = 0; i < lines; ++i)
        bytes += "line " + std::to_string(i) + (i % 7 == 0 ? " x ERR\r\n" : "\n");
    TestLogView view;
    int ticks = 0;
    QTimer timer;
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start();
    view.StartLoad(dir.Write("big.log", bytes));
    ASSERT_TRUE(view.WaitForLoad());
    timer.stop();
    ASSERT_EQ(view.list.GetCount(), lines);
    for (int i = 0; i < lines; i += 997)
        ASSERT_EQ(view.list.GetText(i).substr(0, 5 + std::to_string(i).size()), "line " + std::to_string(i));
    // The event loop ran between batches, not only once the load was over.
    EXPECT_GT(ticks, 1);
}

TEST(TraceWnd, ProgressDialogFollowsTheFileAndClosesAtTheEnd) {
    TempDir dir;
    LoadStatus status(1);
    // 200,000 bytes with LF ends: the range is the file size and the bar ends there.
    std::string lf;
    while (lf.size() < 200000)
        lf += std::string(99, 'a' + lf.size() % 26) + "\n";
    lf.resize(200000);
    lf.back() = '\n';
    TestLogView view;
    view.StartLoad(dir.Write("lf.log", lf));
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.reader->ProgressDialog() != nullptr || view.loadDone; }, kWaitMs));
    QPointer<CProgressDlg> dialog = view.reader->ProgressDialog();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->Upper(), 200000u);
    EXPECT_EQ(dialog->Bar()->maximum(), 200000);
    int lastValue = 0;
    QObject::connect(dialog->Bar(), &QProgressBar::valueChanged, [&](int value) { lastValue = value; });
    EXPECT_EQ(dialog->windowTitle(), "Processing (please wait ...)");
    EXPECT_TRUE(dialog->isModal());
    ASSERT_TRUE(view.WaitForLoad());
    // The producer closed it after the last line; until then the steps reached the end.
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.isNull(); }, kWaitMs));
    EXPECT_EQ(lastValue, 200000);
    EXPECT_EQ(view.reader->ProgressDialog(), nullptr);
}

TEST(TraceWnd, ProgressStepsAddUpToTheFileLessCarriageReturns) {
    TempDir dir;
    LoadStatus status(1);
    std::string crlf;
    int lines = 0;
    while (crlf.size() < 100000) {
        crlf += "some line " + std::to_string(lines++) + "\r\n";
    }
    TestLogView view;
    view.StartLoad(dir.Write("crlf.log", crlf));
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.reader->ProgressDialog() != nullptr; }, kWaitMs));
    CProgressDlg* dialog = view.reader->ProgressDialog();
    uint64_t last = 0;
    QObject::connect(dialog->Bar(), &QProgressBar::valueChanged, [&] { last = dialog->Position(); });
    ASSERT_TRUE(view.WaitForLoad());
    EXPECT_EQ(last, crlf.size() - static_cast<size_t>(lines));
}

TEST(TraceWnd, NoDialogWhenTheSwitchIsOffAndEscapeNeverStopsALoad) {
    TempDir dir;
    std::string bytes;
    for (int i = 0; i < 20000; ++i)
        bytes += "row " + std::to_string(i) + "\n";
    {
        LoadStatus status(0);
        TestLogView view;
        view.StartLoad(dir.Write("off.log", bytes));
        ASSERT_TRUE(view.WaitForLoad());
        EXPECT_EQ(view.reader->ProgressDialog(), nullptr);
        EXPECT_EQ(view.list.GetCount(), 20000);
    }
    {
        LoadStatus status(1);
        TestLogView view;
        view.StartLoad(dir.Write("esc.log", bytes));
        ASSERT_TRUE(QTest::qWaitFor([&] { return view.reader->ProgressDialog() != nullptr || view.loadDone; }, kWaitMs));
        if (CProgressDlg* dialog = view.reader->ProgressDialog())
            QTest::keyClick(dialog, Qt::Key_Escape);
        ASSERT_TRUE(view.WaitForLoad());
        EXPECT_EQ(view.list.GetCount(), 20000);
        EXPECT_EQ(view.reader->ProgressDialog(), nullptr);
    }
}

TEST(TraceWnd, AViewOutOfMemoryEndsTheLoadWithTheLinesItTook) {
    TempDir dir;
    LoadStatus status(1);
    // Several batches; memory runs out in the middle of the third.
    std::string bytes;
    const int lines = 300000;
    for (int i = 0; i < lines; ++i)
        bytes += "line " + std::to_string(i) + "\n";
    TestLogView view;
    view.roomForLines = 150000;
    view.StartLoad(dir.Write("big.log", bytes));
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.reader->ProgressDialog() != nullptr || view.loadDone; }, kWaitMs));
    QPointer<CProgressDlg> dialog = view.reader->ProgressDialog();
    ASSERT_TRUE(view.WaitForLoad());
    ASSERT_TRUE(view.WaitForReader());
    QCoreApplication::processEvents();

    // Told once, why; the lines taken stay, in order; nothing more comes; the dialog is gone.
    EXPECT_EQ(view.loadDone, 1);
    EXPECT_EQ(view.loadEnd, kLoadOutOfMemory);
    ASSERT_EQ(view.list.GetCount(), 150000);
    EXPECT_EQ(view.core.m_lineEntries.GetCount(), 150000u);
    EXPECT_EQ(view.list.GetText(149999), "line 149999");
    EXPECT_TRUE(dialog.isNull());
    EXPECT_EQ(view.reader->ProgressDialog(), nullptr);
    view.reader.reset(); // joins the reader and frees what it left
    EXPECT_EQ(view.list.GetCount(), 150000);
}

TEST(TraceWnd, TwoLoadsAtOnceEachCloseTheirOwnDialog) {
    TempDir dir;
    LoadStatus status(1);
    std::string bytes;
    for (int i = 0; i < 30000; ++i)
        bytes += "entry " + std::to_string(i) + "\n";
    TestLogView one;
    TestLogView two;
    one.StartLoad(dir.Write("one.log", bytes));
    two.StartLoad(dir.Write("two.log", bytes + "extra\n"));
    ASSERT_TRUE(one.WaitForLoad());
    ASSERT_TRUE(two.WaitForLoad());
    EXPECT_EQ(one.list.GetCount(), 30000);
    EXPECT_EQ(two.list.GetCount(), 30001);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !one.reader->ProgressDialog() && !two.reader->ProgressDialog(); }, kWaitMs));
}

TEST(TraceWnd, FilesThatCannotBeReadEndQuietly) {
    TempDir dir;
    LoadStatus status(1);
    {
        // Cannot be opened: no line, no dialog, no end of load.
        TestLogView view;
        view.StartLoad(dir.File("missing.log"));
        ASSERT_TRUE(view.WaitForReader());
        QCoreApplication::processEvents();
        EXPECT_EQ(view.list.GetCount(), 0);
        EXPECT_EQ(view.loadDone, 0);
        EXPECT_EQ(view.reader->ProgressDialog(), nullptr);
    }
    {
        // A read error (this file opens but every read fails): the load ends without an
        // end-of-load message, and its progress dialog still closes.
        TestLogView view;
        view.StartLoad("/proc/self/mem");
        ASSERT_TRUE(view.WaitForReader());
        ASSERT_TRUE(QTest::qWaitFor([&] { return view.reader->ProgressDialog() == nullptr; }, kWaitMs));
        EXPECT_EQ(view.loadDone, 0);
        EXPECT_EQ(view.list.GetCount(), 0);
    }
}

TEST(TraceWnd, ClosingMidLoadStopsTheReaderAndFreesEverything) {
    TempDir dir;
    LoadStatus status(1);
    std::string bytes;
    for (int i = 0; i < 400000; ++i)
        bytes += "a fairly ordinary log line number " + std::to_string(i) + "\n";
    const std::string path = dir.Write("huge.log", bytes);
    for (int round = 0; round < 5; ++round) {
        auto view = std::make_unique<TestLogView>();
        view->StartLoad(path);
        // Let some batches through, then close the log in the middle of the file.
        (void)QTest::qWaitFor([&] { return view->list.GetCount() > round * 1000; }, kWaitMs);
        view.reset(); // joins the reader; AddressSanitizer reports any leak or late use
    }
    // Closing before the reader got anywhere.
    auto view = std::make_unique<TestLogView>();
    view->StartLoad(path);
    view.reset();
}

TEST(TraceWnd, FilesThatChangeWhileRead) {
    TempDir dir;
    LoadStatus status(0);
    std::string bytes;
    for (int i = 0; i < 200000; ++i)
        bytes += "payload line " + std::to_string(i) + "\n";
    {
        // Removed after the reader opened it: the open file is read to its end.
        TestLogView view;
        const std::string path = dir.Write("removed.log", bytes);
        view.StartLoad(path);
        ASSERT_TRUE(QTest::qWaitFor([&] { return view.list.GetCount() > 0 || view.loadDone; }, kWaitMs));
        std::filesystem::remove(path);
        ASSERT_TRUE(view.WaitForLoad());
        EXPECT_EQ(view.list.GetCount(), 200000);
    }
    {
        // Truncated while read: the load ends early, at most with a cut last line.
        TestLogView view;
        const std::string path = dir.Write("truncated.log", bytes);
        view.StartLoad(path);
        ASSERT_TRUE(QTest::qWaitFor([&] { return view.list.GetCount() > 0 || view.loadDone; }, kWaitMs));
        std::filesystem::resize_file(path, 1000);
        ASSERT_TRUE(view.WaitForLoad());
        EXPECT_LE(view.list.GetCount(), 200000);
        EXPECT_EQ(view.list.GetText(0), "payload line 0");
    }
}

} // namespace
