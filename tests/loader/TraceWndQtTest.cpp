#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <climits>
#include <filesystem>
#include <fstream>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "core/LevelConfig.h"
#include "core/LogViewCore.h"
#include "loader/ProgressDlg.h"
#include "loader/TraceWnd.h"
#include "support/Compress.h"
#include "support/TempDir.h"

namespace {

constexpr int kWaitMs = 60000; // only a guard against hanging; loads take far less

// Stands in for the log view: its core takes the lines (unless it is short of room for
// more), it counts the ends of the load, and it owns its reader.
class TestLogView : public LineSink {
public:
    void StartLoad(const std::string& path) {
        reader = std::make_unique<CTraceWnd>(path, *this, core.m_levelSlots);
        QObject::connect(reader.get(), &CTraceWnd::LoadEnded, [this](CTraceWnd::LoadEnd how) {
            ends.push_back(how);
            if (how != CTraceWnd::LoadEnd::Failed) {
                ++loadDone;
                core.OnLoadDone();
            }
        });
        reader->Start();
    }
    bool WaitForLoad() {
        return QTest::qWaitFor([&] { return loadDone > 0; }, kWaitMs);
    }
    bool WaitForReader() {
        return QTest::qWaitFor([&] { return reader && reader->ReaderFinished(); }, kWaitMs);
    }

    // LineSink: a line at a time, as the core takes them, until memory "runs out".
    void OnAddLines(LineBatch& batch) override {
        for (LineRecord& record : batch.Records()) {
            if (list.GetCount() >= roomForLines)
                throw std::bad_alloc();
            core.OnAddLine(record);
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
    std::vector<CTraceWnd::LoadEnd> ends;
    // Past this many lines the view runs out of memory.
    int roomForLines = INT_MAX;
    std::unique_ptr<CTraceWnd> reader; // last: stopped and joined first
};

// What the first progress dialog of a test looked like when it came up, and how far its
// bar had come when it went: the dialog of a short load comes and goes within a few turns
// of the event loop.
class ProgressWatch : public QObject {
public:
    ProgressWatch() { qApp->installEventFilter(this); }
    ~ProgressWatch() override { qApp->removeEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* dialog = qobject_cast<CProgressDlg*>(watched);
        if (!dialog || (shown && dialog != first))
            return false;
        if (event->type() == QEvent::Show && !shown) {
            first = dialog;
            shown = true;
            upper = dialog->Upper();
            barMaximum = dialog->Bar()->maximum();
            title = dialog->windowTitle();
            modal = dialog->isModal();
        } else if (event->type() == QEvent::Hide) {
            hidden = true;
            position = dialog->Position();
            barValue = dialog->Bar()->value();
        }
        return false;
    }

    QPointer<CProgressDlg> first;
    bool shown = false;
    uint64_t upper = 0;
    int barMaximum = 0;
    QString title;
    bool modal = false;
    bool hidden = false;
    uint64_t position = 0;
    int barValue = 0;
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
        view.StartLoad(
            dir.Write("b.log", std::string(2500, 'z') + "\n" + std::string(1023, 'y') + "\nend\n"));
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
    const int lines = 5 * static_cast<int>(CTraceWnd::kBatchLines); // several batches
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

TEST(TraceWnd, AReaderRunsNoMoreThanTwoBatchesAheadOfABusyGui) {
    TempDir dir;
    LoadStatus status(0);
    // Some thirty batches of short lines.
    const int lines = 30 * static_cast<int>(CTraceWnd::kBatchLines);
    std::string bytes;
    bytes.reserve(static_cast<size_t>(lines) * 8);
    for (int i = 0; i < lines; ++i)
        bytes += "l " + std::to_string(i % 10000) + "\n";
    TestLogView view;
    view.StartLoad(dir.Write("many.log", bytes));
    // The GUI thread is busy elsewhere long enough for the reader to read the whole file:
    // it stops after two batches handed over, so one turn of the event loop takes two (a
    // third may come while they are taken), not thirty. A slow build (a sanitizer's) may
    // need more than one wait for the first batches to be cut.
    int taken = 0;
    for (int wait = 0; wait < 50 && taken == 0; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        QCoreApplication::processEvents();
        taken = view.list.GetCount();
    }
    EXPECT_GT(taken, 0);
    EXPECT_LE(taken, 3 * static_cast<int>(CTraceWnd::kBatchLines));
    ASSERT_TRUE(view.WaitForLoad());
    EXPECT_EQ(view.list.GetCount(), lines);
}

TEST(TraceWnd, ProgressDialogFollowsTheFileAndClosesAtTheEnd) {
    TempDir dir;
    LoadStatus status(1);
    // 200,000 bytes with LF ends: the range is the file size and the bar ends there.
    std::string lf;
    while (lf.size() < 200000)
        lf += std::string(99, static_cast<char>('a' + lf.size() % 26)) + "\n";
    lf.resize(200000);
    lf.back() = '\n';
    TestLogView view;
    ProgressWatch watch;
    view.StartLoad(dir.Write("lf.log", lf));
    ASSERT_TRUE(view.WaitForLoad());
    ASSERT_TRUE(watch.shown);
    EXPECT_EQ(watch.upper, 200000u);
    EXPECT_EQ(watch.barMaximum, 200000);
    EXPECT_EQ(watch.title, "Processing (please wait ...)");
    EXPECT_TRUE(watch.modal);
    // The producer closed it after the last line; until then the steps reached the end.
    EXPECT_TRUE(watch.hidden);
    EXPECT_EQ(watch.barValue, 200000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return watch.first.isNull(); }, kWaitMs));
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
    ProgressWatch watch;
    view.StartLoad(dir.Write("crlf.log", crlf));
    ASSERT_TRUE(view.WaitForLoad());
    ASSERT_TRUE(watch.hidden);
    EXPECT_EQ(watch.position, crlf.size() - static_cast<size_t>(lines));
}

// A compressed log's bar goes by its compressed bytes, which are all it knows ahead; its
// lines are those of the text it holds, and the reader says it is compressed.
TEST(TraceWnd, ProgressOfACompressedLogFollowsItsCompressedBytes) {
    TempDir dir;
    LoadStatus status(1);
    std::string text;
    for (int i = 0; text.size() < 3000000; ++i)
        text += "row " + std::to_string(int64_t{i} * 7919 % 100003) + (i % 3 ? "\n" : "\r\n");
    for (const Compression format : {Compression::Gzip, Compression::Zstd}) {
        SCOPED_TRACE(CompressionName(format));
        const std::string packed = Compress(format, text);
        TestLogView plain;
        plain.StartLoad(dir.Write("plain.log", text));
        ASSERT_TRUE(plain.WaitForLoad());
        TestLogView view;
        ProgressWatch watch;
        view.StartLoad(dir.Write("packed.log", packed));
        ASSERT_TRUE(view.WaitForLoad());
        EXPECT_TRUE(view.reader->SourceCompressed());
        EXPECT_EQ(view.reader->SourceCompression(), format);
        EXPECT_EQ(view.ends, std::vector<CTraceWnd::LoadEnd>{CTraceWnd::LoadEnd::Complete});
        EXPECT_EQ(view.Texts(), plain.Texts());
        ASSERT_TRUE(watch.shown && watch.hidden);
        EXPECT_EQ(watch.upper, packed.size());
        EXPECT_EQ(watch.position, packed.size());
        EXPECT_FALSE(plain.reader->SourceCompressed());
    }
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
        ASSERT_TRUE(QTest::qWaitFor([&] { return view.reader->ProgressDialog() != nullptr || view.loadDone; },
                                    kWaitMs));
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
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return view.reader->ProgressDialog() != nullptr || view.loadDone; }, kWaitMs));
    QPointer<CProgressDlg> dialog = view.reader->ProgressDialog();
    ASSERT_TRUE(view.WaitForLoad());
    ASSERT_TRUE(view.WaitForReader());
    QCoreApplication::processEvents();

    // Told once, why; the lines taken stay, in order; nothing more comes; the dialog is gone.
    EXPECT_EQ(view.loadDone, 1);
    EXPECT_EQ(view.ends, std::vector<CTraceWnd::LoadEnd>{CTraceWnd::LoadEnd::OutOfMemory});
    ASSERT_EQ(view.list.GetCount(), 150000);
    EXPECT_EQ(view.core.m_lineEntries.GetCount(), 150000u);
    EXPECT_EQ(view.list.GetText(149999), "line 149999");
    EXPECT_TRUE(dialog.isNull());
    EXPECT_EQ(view.reader->ProgressDialog(), nullptr);
    view.reader.reset(); // joins the reader and frees what it left
    EXPECT_EQ(view.list.GetCount(), 150000);
}

TEST(TraceWnd, ALogPastTheLineLimitEndsWithTheLinesTheViewHolds) {
    TempDir dir;
    LoadStatus status(1);
    std::string bytes;
    for (int i = 0; i < 100000; ++i)
        bytes += "line " + std::to_string(i) + "\n";
    TestLogView view;
    // The core's own limit (2^31 - 1 in a real view), lowered to fall inside a batch.
    view.core.m_lineLimit = 70001;
    view.StartLoad(dir.Write("long.log", bytes));
    ASSERT_TRUE(view.WaitForLoad());
    ASSERT_TRUE(view.WaitForReader());
    QCoreApplication::processEvents();

    EXPECT_EQ(view.loadDone, 1);
    EXPECT_EQ(view.ends, std::vector<CTraceWnd::LoadEnd>{CTraceWnd::LoadEnd::TooManyLines});
    ASSERT_EQ(view.list.GetCount(), 70001);
    EXPECT_EQ(view.core.m_lineEntries.GetCount(), 70001u);
    EXPECT_EQ(view.list.GetText(70000), "line 70000");
    EXPECT_EQ(view.reader->ProgressDialog(), nullptr);
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
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !one.reader->ProgressDialog() && !two.reader->ProgressDialog(); }, kWaitMs));
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
