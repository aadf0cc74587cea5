// Loading a log through the real pipeline: the reader window and its thread, batches
// crossing to the GUI thread's event loop, intake into the line store and the display
// list, offscreen. Beside `wc -l` and `grep -c` on the same file, in the same run.
//
//   QT_QPA_PLATFORM=offscreen build/bench/LoadBench [--size BYTES] [--file LOG]
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "core/LevelConfig.h"
#include "core/LogViewCore.h"
#include "loader/TraceWnd.h"
#include "support/Measure.h"

namespace {

// The log view's part in a load: its core takes the lines, and the end of the load.
struct LoadingView {
    explicit LoadingView(const std::string& path) : reader(path, core, core.m_levelSlots) {
        QObject::connect(&reader, &CTraceWnd::LoadEnded, [this](CTraceWnd::LoadEnd) {
            done = true;
            core.OnLoadDone();
        });
    }
    CLogViewCore core;
    DisplayList& list = core.m_logList;
    bool done = false;
    CTraceWnd reader; // last: stopped and joined first
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const BenchOptions options = ParseBenchOptions(argc, argv, 1ull << 30);
    const std::string path = PrepareLog(options);
    if (!LoadLevelConfiguration(options.dataDir + "/quorvix.ini", GlobalLevelTables()))
        return 1;
    g_loadStatus = 0;

    const double wc = TimeCommand("wc -l '" + path + "'");
    const double grep = TimeCommand("grep -c ERROR '" + path + "'");
    Report("ref.wc_l.seconds", wc, "s");
    Report("ref.grep_c.seconds", grep, "s");

    const uint64_t rssBefore = CurrentRss();
    auto view = std::make_unique<LoadingView>(path);

    // The longest time the GUI thread went without turning its event loop.
    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    QTimer ticker;
    // Every millisecond, not on every idle turn: a zero-interval timer keeps the GUI
    // thread spinning while it waits, taking a core the reader needs.
    ticker.setInterval(1);
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout,
                     [&] { longestGap = std::max(longestGap, sinceTick.restart()); });

    Stopwatch watch;
    sinceTick.start();
    ticker.start();
    view->reader.Start();
    while (!view->done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double seconds = watch.Seconds();
    ticker.stop();

    const double lines = view->list.GetCount();
    const uint64_t fileBytes = std::filesystem::file_size(path);
    const double bytes = static_cast<double>(fileBytes);
    Report("load.lines", lines, "lines");
    Report("load.seconds", seconds, "s");
    Report("load.mb_per_s", bytes / 1e6 / seconds, "MB/s");
    Report("load.lines_per_s", lines / seconds, "lines/s");
    Report("load.ratio_wc_l", seconds / wc, "x");
    Report("load.ratio_grep_c", seconds / grep, "x");
    Report("load.longest_gui_gap", static_cast<double>(longestGap), "ms");
    Report("load.memory_per_line", static_cast<double>(CurrentRss() - rssBefore) / lines, "B");
    Report("load.peak_rss", static_cast<double>(PeakRss()) / 1e6, "MB");
    Report("load.peak_rss_per_file_byte", static_cast<double>(PeakRss()) / bytes, "x");

    // Closing a log in the middle of its load: how long until the reader is joined.
    auto again = std::make_unique<LoadingView>(path);
    again->reader.Start();
    while (again->list.GetCount() < 100000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    Stopwatch close;
    again.reset();
    Report("load.close_while_loading", close.Seconds() * 1000, "ms");
    return 0;
}
