// A log followed as it grows, through the program's real objects, offscreen. A writer
// process (this program started again with --writer) appends lines to a log the program
// has open and loaded; every line carries its sequence number and the CLOCK_MONOTONIC
// time it was written at. On the GUI thread, after each batch the reader hands over, the
// lines newly in the log list are checked (each one once, in order) and the time from
// write to list taken. In order:
//
//   reference  the first load of a generated log of about the size to be appended: the
//              process CPU it takes per MB
//   follow     --rate lines a second (about 100 bytes each, in bursts every millisecond)
//              for --seconds: latency, lost and doubled lines, the longest GUI stall, the
//              CPU per appended MB against the reference
//   idle       the same log followed, nothing written, for --idle-seconds: the CPU it takes
//   growth     the generated log of --size (a copy) followed while --append-mb MB more are
//              written: the memory it grows by per appended byte
//
//   QT_QPA_PLATFORM=offscreen build/bench/FollowBench [--seconds S] [--rate LINES]
//       [--idle-seconds S] [--size BYTES] [--append-mb MB] [--ref-size BYTES] [--data DIR]
//       [--paint 0]
// --paint 0 drops the log list's paint events while following: what is left is the
// following without the painting.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QSettings>
#include <QTimer>
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <malloc.h>
#include <memory>
#include <spawn.h>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "app/QuorvixApp.h"
#include "core/DisplayList.h"
#include "frames/DocManager.h"
#include "frames/QuorvixDoc.h"
#include "frames/SplitterFrame.h"
#include "loader/TraceWnd.h"
#include "support/EventLoop.h"
#include "support/Measure.h"
#include "view/LogListBox.h"
#include "view/QuorvixView.h"

extern char** environ;

namespace {

// ---- the writer ---------------------------------------------------------------------

// Every line the writer writes is this long, line feed included, and ends in " end": a
// line cut short (the reader caught a write half done) shows by its missing end.
constexpr size_t kLineBytes = 100;
constexpr std::string_view kSeqTag = " seq=";
constexpr std::string_view kTimeTag = " t=";
constexpr std::string_view kEnd = " end";

uint64_t MonotonicNs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000000ull + static_cast<uint64_t>(now.tv_nsec);
}

void PutDigits(char* at, int width, uint64_t value) {
    for (int i = width - 1; i >= 0; --i) {
        at[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

// One line of kLineBytes: "... INFO follow: seq=NNNNNNNNNN t=NNNNNNNNNNNNNNNNNNN worker ... end\n".
void FormatLine(char* out, uint64_t seq, uint64_t ns) {
    static constexpr std::string_view kHead = "2026-12-08 12:00:00.000 INFO follow:";
    char* at = out;
    const auto put = [&at](std::string_view text) {
        std::memcpy(at, text.data(), text.size());
        at += text.size();
    };
    put(kHead);
    put(kSeqTag);
    PutDigits(at, 10, seq);
    at += 10;
    put(kTimeTag);
    PutDigits(at, 19, ns);
    at += 19;
    const size_t fill = kLineBytes - static_cast<size_t>(at - out) - kEnd.size() - 1;
    static constexpr std::string_view kFill = " worker queue frame payload checksum buffer channel";
    for (size_t i = 0; i < fill; ++i)
        at[i] = kFill[i % kFill.size()];
    at += fill;
    put(kEnd);
    *at = '\n';
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Appends `total` lines to `path`, `rate` a second (0: as fast as it can), in a burst
// every millisecond: each burst one write(), its lines stamped just before it.
int RunWriter(const char* path, uint64_t rate, uint64_t total) {
    const int fd = ::open(path, O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) {
        std::perror(path);
        return 1;
    }
    constexpr uint64_t kMaxBurst = 10000;
    std::vector<char> burst(kMaxBurst * kLineBytes);
    const uint64_t start = MonotonicNs();
    timespec tick{};
    ::clock_gettime(CLOCK_MONOTONIC, &tick);
    uint64_t written = 0;
    while (written < total) {
        uint64_t due = total;
        if (rate > 0) {
            const uint64_t elapsed = MonotonicNs() - start;
            due = std::min<uint64_t>(total, static_cast<uint64_t>(static_cast<double>(elapsed) * 1e-9 *
                                                                  static_cast<double>(rate)));
        }
        const uint64_t lines = std::min(due - std::min(due, written), kMaxBurst);
        if (lines > 0) {
            const uint64_t ns = MonotonicNs();
            for (uint64_t i = 0; i < lines; ++i)
                FormatLine(burst.data() + i * kLineBytes, written + i, ns);
            if (!WriteAll(fd, burst.data(), lines * kLineBytes)) {
                std::perror(path);
                return 1;
            }
            written += lines;
        }
        if (rate > 0 && written < total) {
            tick.tv_nsec += 1000000;
            if (tick.tv_nsec >= 1000000000) {
                tick.tv_nsec -= 1000000000;
                ++tick.tv_sec;
            }
            ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &tick, nullptr);
        }
    }
    ::close(fd);
    return 0;
}

// Starts this program again as a writer; its CPU is not this process's.
pid_t StartWriter(const std::string& path, uint64_t rate, uint64_t total) {
    std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::string flag = "--writer", rateText = std::to_string(rate), totalText = std::to_string(total);
    std::string file = path;
    char* args[] = {self.data(), flag.data(), file.data(), rateText.data(), totalText.data(), nullptr};
    pid_t pid = 0;
    if (::posix_spawn(&pid, self.c_str(), nullptr, nullptr, args, environ) != 0) {
        std::perror("posix_spawn");
        std::exit(1);
    }
    return pid;
}

// ---- the GUI thread -------------------------------------------------------------------

// Counts the paint events a widget gets; with `swallow`, the widget never sees them (to
// tell what painting costs from the rest).
class PaintCounter : public QObject {
public:
    PaintCounter(QWidget* widget, bool swallow) : m_widget(widget), m_swallow(swallow) {
        widget->installEventFilter(this);
    }
    ~PaintCounter() override {
        if (m_widget)
            m_widget->removeEventFilter(this);
    }
    PaintCounter(const PaintCounter&) = delete;
    PaintCounter& operator=(const PaintCounter&) = delete;
    uint64_t Count() const { return m_count; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint)
            return QObject::eventFilter(watched, event);
        ++m_count;
        return m_swallow;
    }

private:
    QPointer<QWidget> m_widget;
    bool m_swallow = false;
    uint64_t m_count = 0;
};

// Turns the event loop for `seconds` with no wake-up of its own.
void IdleFor(double seconds) {
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

uint64_t ParseNumber(std::string_view text, size_t at, size_t digits) {
    uint64_t value = 0;
    if (at + digits > text.size())
        return UINT64_MAX;
    const auto [end, error] = std::from_chars(text.data() + at, text.data() + at + digits, value);
    return error == std::errc() && end == text.data() + at + digits ? value : UINT64_MAX;
}

// Looks at the lines the log list got since it last looked: each writer's line once, in
// order, and the time it took from its write to the list. A last line not whole yet (no
// end) is looked at again next time, as the view completes it in place.
class ArrivalCheck {
public:
    ArrivalCheck(const DisplayList& list, uint64_t total) : m_list(list), m_seen(total, false) {
        m_next = list.GetCount();
        m_latencyMs.reserve(total);
    }

    void OnLinesTaken() {
        const double cpuBefore = ThreadCpuSeconds();
        const uint64_t now = MonotonicNs();
        ++m_batches;
        const int count = m_list.GetCount();
        int i = m_next;
        for (; i < count; ++i) {
            const std::string_view text = m_list.GetText(i);
            const size_t seqAt = text.find(kSeqTag);
            const bool whole = text.size() >= kEnd.size() && text.substr(text.size() - kEnd.size()) == kEnd;
            if (!whole && i == count - 1)
                break;
            if (seqAt == std::string_view::npos)
                continue; // not the writer's
            const uint64_t seq = ParseNumber(text, seqAt + kSeqTag.size(), 10);
            const size_t timeAt = seqAt + kSeqTag.size() + 10;
            const uint64_t ns = text.substr(timeAt, kTimeTag.size()) == kTimeTag
                                    ? ParseNumber(text, timeAt + kTimeTag.size(), 19)
                                    : UINT64_MAX;
            if (!whole || seq >= m_seen.size() || ns == UINT64_MAX) {
                ++m_malformed;
                continue;
            }
            if (m_seen[seq]) {
                ++m_doubled;
                continue;
            }
            m_seen[seq] = true;
            ++m_shown;
            if (m_any && seq < m_highest)
                ++m_outOfOrder;
            m_highest = m_any ? std::max(m_highest, seq) : seq;
            m_any = true;
            m_latencyMs.push_back(static_cast<float>(static_cast<double>(now - std::min(now, ns)) * 1e-6));
        }
        m_next = i;
        m_cpuSeconds += ThreadCpuSeconds() - cpuBefore;
    }

    uint64_t Shown() const { return m_shown; }
    // How often the reader handed lines over.
    uint64_t Batches() const { return m_batches; }
    uint64_t Lost() const { return m_seen.size() - m_shown + m_outOfOrder; }
    uint64_t Doubled() const { return m_doubled; }
    uint64_t Malformed() const { return m_malformed; }
    uint64_t OutOfOrder() const { return m_outOfOrder; }
    // The GUI thread's time spent here: the benchmark's, not the program's.
    double CpuSeconds() const { return m_cpuSeconds; }
    double LatencyPercentileMs(double p) {
        if (m_latencyMs.empty())
            return 0;
        const size_t k = std::min(m_latencyMs.size() - 1,
                                  static_cast<size_t>(p * static_cast<double>(m_latencyMs.size())));
        std::nth_element(m_latencyMs.begin(), m_latencyMs.begin() + static_cast<std::ptrdiff_t>(k),
                         m_latencyMs.end());
        return m_latencyMs[k];
    }
    double LatencyMaxMs() const {
        return m_latencyMs.empty() ? 0 : *std::max_element(m_latencyMs.begin(), m_latencyMs.end());
    }

private:
    const DisplayList& m_list;
    std::vector<bool> m_seen;
    std::vector<float> m_latencyMs;
    int m_next = 0;
    uint64_t m_batches = 0, m_shown = 0, m_doubled = 0, m_malformed = 0, m_outOfOrder = 0, m_highest = 0;
    bool m_any = false;
    double m_cpuSeconds = 0;
};

struct FollowOptions {
    double seconds = 30;
    uint64_t rate = 100000;
    double idleSeconds = 60;
    uint64_t appendMb = 100;
    uint64_t refSize = 0; // 0: what the follow run appends
    bool paint = true;    // --paint 0: the log list's paint events are dropped while following
};

FollowOptions ParseFollowOptions(int argc, char** argv) {
    FollowOptions options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        const char* value = argv[i + 1];
        if (flag == "--seconds")
            options.seconds = std::strtod(value, nullptr);
        else if (flag == "--rate")
            options.rate = std::strtoull(value, nullptr, 10);
        else if (flag == "--idle-seconds")
            options.idleSeconds = std::strtod(value, nullptr);
        else if (flag == "--append-mb")
            options.appendMb = std::strtoull(value, nullptr, 10);
        else if (flag == "--paint")
            options.paint = std::strtoull(value, nullptr, 10) != 0;
        else if (flag == "--ref-size")
            options.refSize = std::strtoull(value, nullptr, 10);
    }
    return options;
}

class Program {
public:
    explicit Program(CQuorvixApp& app) : m_app(app) {}

    // Opens `path` and waits for its load to end; the view, or null.
    CQuorvixView* Open(const std::string& path) {
        CQuorvixDoc* doc = m_app.OpenDocumentFile(QString::fromStdString(path));
        if (!doc || !CDocManager::WindowOf(doc) || !CDocManager::WindowOf(doc)->LogView())
            return nullptr;
        CQuorvixView* view = CDocManager::WindowOf(doc)->LogView();
        WaitUntil([&] { return view->IsLoadDone(); });
        m_docs.push_back(doc);
        return view;
    }

    // Closes every log opened, and gives the memory they held back to the system.
    void CloseAll() {
        for (CQuorvixDoc* doc : m_docs) {
            const QString path = doc->GetPathName();
            CDocManager::WindowOf(doc)->CloseWithoutAsking();
            WaitUntil([&] { return m_app.DocManager()->FindDocument(path) == nullptr; });
        }
        m_docs.clear();
        ::malloc_trim(0);
    }

private:
    CQuorvixApp& m_app;
    std::vector<CQuorvixDoc*> m_docs;
};

bool WriterDone(pid_t pid, int& status) {
    return ::waitpid(pid, &status, WNOHANG) == pid;
}

// Waits for the writer to end, then for its last lines to reach the list (or for no line
// to come for `quiet` seconds, which is longer than the watch's slow look).
bool WaitForWriter(pid_t pid, ArrivalCheck& check, uint64_t total, double quiet = 10) {
    int status = 0;
    WaitUntil([&] { return WriterDone(pid, status); });
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "the writer failed\n");
        return false;
    }
    uint64_t shown = check.Shown();
    QElapsedTimer still;
    still.start();
    WaitUntil([&] {
        if (check.Shown() != shown) {
            shown = check.Shown();
            still.restart();
        }
        return shown + check.Doubled() >= total || static_cast<double>(still.elapsed()) > quiet * 1000;
    });
    return true;
}

double Mb(uint64_t bytes) {
    return static_cast<double>(bytes) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::string_view(argv[1]) == "--writer")
        return RunWriter(argv[2], std::strtoull(argv[3], nullptr, 10), std::strtoull(argv[4], nullptr, 10));

    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication qapp(argc, argv);
    const BenchOptions options = ParseBenchOptions(argc, argv, 1ull << 30);
    const FollowOptions follow = ParseFollowOptions(argc, argv);
    const uint64_t followLines = static_cast<uint64_t>(follow.seconds * static_cast<double>(follow.rate));
    const uint64_t followBytes = followLines * kLineBytes;

    // The logs first, so making them is not timed with anything.
    BenchOptions refOptions = options;
    refOptions.file.clear();
    refOptions.size = follow.refSize > 0 ? follow.refSize : std::max<uint64_t>(followBytes, 16ull << 20);
    const std::string refPath = std::filesystem::absolute(PrepareLog(refOptions)).string();
    const std::string bigPath = std::filesystem::absolute(PrepareLog(options)).string();
    const std::string dataDir = std::filesystem::absolute(options.dataDir).string();
    const QString settings = QString::fromStdString(dataDir + "/settings");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings);
    QDir::setCurrent(QString::fromStdString(dataDir));

    auto app = std::make_unique<CQuorvixApp>();
    if (!app->InitInstance({}))
        return 1;
    Program program(*app);
    StallMeter stalls;

    // ---- reference: the first load's CPU per MB ---------------------------------------
    const uint64_t refBytes = std::filesystem::file_size(refPath);
    const double refCpuBefore = ProcessCpuSeconds();
    if (!program.Open(refPath))
        return 1;
    const double refCpuPerMb = (ProcessCpuSeconds() - refCpuBefore) / Mb(refBytes);
    Report("follow.ref_load.mb", Mb(refBytes), "MB");
    Report("follow.ref_load.cpu_per_mb", refCpuPerMb * 1000, "ms/MB");
    program.CloseAll();

    // ---- following a writer -----------------------------------------------------------
    const std::string livePath = dataDir + "/follow-live.log";
    {
        std::FILE* live = std::fopen(livePath.c_str(), "wb");
        if (!live)
            return 1;
        std::fputs("2026-12-08 12:00:00.000 INFO follow: the writer starts below\n", live);
        std::fclose(live);
    }
    CQuorvixView* view = program.Open(livePath);
    if (!view || !view->ReaderWindow())
        return 1;
    view->SetFollow(true);
    {
        ArrivalCheck check(view->LogList().Model(), followLines);
        QObject context;
        QObject::connect(view->ReaderWindow(), &CTraceWnd::LinesTaken, &context,
                         [&] { check.OnLinesTaken(); });
        PaintCounter paints(view->LogList().viewport(), !follow.paint);
        const double cpuBefore = ProcessCpuSeconds();
        const double guiCpuBefore = ThreadCpuSeconds();
        stalls.Start();
        const pid_t writer = StartWriter(livePath, follow.rate, followLines);
        if (!WaitForWriter(writer, check, followLines))
            return 1;
        const double stall = stalls.StopMs();
        const double guiCpu = ThreadCpuSeconds() - guiCpuBefore - check.CpuSeconds();
        const double cpu = ProcessCpuSeconds() - cpuBefore - check.CpuSeconds();
        const double cpuPerMb = cpu / Mb(followBytes);
        Report("follow.lines_written", static_cast<double>(followLines), "lines");
        Report("follow.lines_shown", static_cast<double>(check.Shown()), "lines");
        Report("follow.lost_lines", static_cast<double>(check.Lost()), "lines");
        Report("follow.doubled_lines", static_cast<double>(check.Doubled()), "lines");
        Report("follow.out_of_order_lines", static_cast<double>(check.OutOfOrder()), "lines");
        Report("follow.malformed_lines", static_cast<double>(check.Malformed()), "lines");
        Report("follow.rate", static_cast<double>(follow.rate), "lines/s");
        Report("follow.mb_per_s", Mb(followBytes) / follow.seconds, "MB/s");
        Report("follow.latency_p50_ms", check.LatencyPercentileMs(0.5), "ms");
        Report("follow.latency_p99_ms", check.LatencyPercentileMs(0.99), "ms");
        Report("follow.latency_max_ms", check.LatencyMaxMs(), "ms");
        Report("follow.longest_gui_stall_ms", stall, "ms");
        Report("follow.batches_per_s", static_cast<double>(check.Batches()) / follow.seconds, "1/s");
        Report("follow.list_paints_per_s", static_cast<double>(paints.Count()) / follow.seconds, "1/s");
        Report("follow.cpu_seconds", cpu, "s");
        // The GUI thread's share (the benchmark's own checking left out) and the rest (the
        // reader, Qt's threads).
        Report("follow.gui_thread_cpu_seconds", guiCpu, "s");
        Report("follow.other_threads_cpu_seconds", cpu - guiCpu, "s");
        Report("follow.cpu_per_mb", cpuPerMb * 1000, "ms/MB");
        Report("follow.cpu_per_mb_ratio_load", cpuPerMb / refCpuPerMb, "x");
        Report("follow.cpu_per_mb_ratio_load.target", 1.5, "x");
    }

    // ---- idle: followed, nothing written ------------------------------------------------
    if (follow.idleSeconds > 0) {
        const double cpuBefore = ProcessCpuSeconds();
        Stopwatch idle;
        IdleFor(follow.idleSeconds);
        Report("follow.idle_cpu_percent", (ProcessCpuSeconds() - cpuBefore) / idle.Seconds() * 100, "%");
        Report("follow.idle_cpu_percent.target", 0.1, "%");
    }
    program.CloseAll();
    std::filesystem::remove(livePath);

    // ---- memory: a large followed log that grows ---------------------------------------
    if (follow.appendMb > 0) {
        const std::string growPath = dataDir + "/follow-grow.log";
        std::filesystem::copy_file(bigPath, growPath, std::filesystem::copy_options::overwrite_existing);
        CQuorvixView* big = program.Open(growPath);
        if (!big || !big->ReaderWindow())
            return 1;
        big->SetFollow(true);
        const uint64_t lines = follow.appendMb * 1000000 / kLineBytes;
        ArrivalCheck check(big->LogList().Model(), lines);
        QObject context;
        QObject::connect(big->ReaderWindow(), &CTraceWnd::LinesTaken, &context,
                         [&] { check.OnLinesTaken(); });
        const auto indexBytes = [&] {
            return static_cast<double>(big->Core().m_lineEntries.IndexBytes() +
                                       big->LogList().Model().IndexBytes());
        };
        ::malloc_trim(0);
        const uint64_t sizeBefore = std::filesystem::file_size(growPath);
        const uint64_t rssBefore = CurrentRss();
        const double indexBefore = indexBytes();
        const pid_t writer = StartWriter(growPath, follow.rate, lines);
        if (!WaitForWriter(writer, check, lines))
            return 1;
        const double appended = static_cast<double>(std::filesystem::file_size(growPath) - sizeBefore);
        const double grown = static_cast<double>(CurrentRss()) - static_cast<double>(rssBefore);
        Report("follow.grow.file_mb", Mb(sizeBefore), "MB");
        Report("follow.grow.file_backed", big->Core().m_lineEntries.FileBacked() ? 1 : 0, "");
        Report("follow.grow.appended_mb", appended / 1e6, "MB");
        Report("follow.grow.lost_lines", static_cast<double>(check.Lost()), "lines");
        Report("follow.memory_growth_ratio", grown / appended, "x");
        Report("follow.index_bytes_per_line", (indexBytes() - indexBefore) / static_cast<double>(lines), "B");
        program.CloseAll();
        std::filesystem::remove(growPath);
    }

    app->ExitInstance();
    app.reset();
    return 0;
}
