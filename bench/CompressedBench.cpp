// Compressed logs through the whole program, offscreen: the generated log compressed by
// each format's own tool at its default level (made once, kept beside the log), then
// opened and loaded as a user would, its text in memory within the budget and, with a
// budget of nothing, from a private temporary file. Beside each load, the reference on
// the same file in the same run: the tool's own `-dc` piped to `grep -c x`.
//
//   QT_QPA_PLATFORM=offscreen build/bench/CompressedBench [--size BYTES] [--file LOG] [--only NAME]
#include <QApplication>
#include <QDir>
#include <QSettings>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/QuorvixApp.h"
#include "frames/DocManager.h"
#include "frames/QuorvixDoc.h"
#include "frames/SplitterFrame.h"
#include "platform/Prompts.h"
#include "res/Resources.h"
#include "support/EventLoop.h"
#include "support/Measure.h"
#include "view/LogListBox.h"
#include "view/QuorvixView.h"

namespace {

struct Format {
    const char* name;   // as in the figures' names, and the file's extension
    const char* tool;   // compresses stdin to stdout at its default level
    const char* decode; // decompresses the file named after it to stdout
    int runs;           // of the reference, the best counted (the slow ones run once)
};

constexpr Format kFormats[] = {
    {"gz", "gzip -c", "gzip -dc", 2},
    {"bz2", "bzip2 -c", "bzip2 -dc", 1},
    {"xz", "xz -c -T1", "xz -dc -T1", 1},
    {"zst", "zstd -q -c", "zstd -q -dc", 2},
};

std::string Quoted(const std::string& path) {
    return "'" + path + "'";
}

// Opens `path`, waits for its load and reports it; the window is closed again.
void Load(CQuorvixApp& program, const std::string& path, const std::string& name, double textBytes,
          double reference, bool fromFile) {
    ResetPeakRss();
    const uint64_t rssBefore = CurrentRss();
    Stopwatch load;
    CQuorvixDoc* doc = program.OpenDocumentFile(QString::fromStdString(path));
    CSplitterFrame* window = doc ? CDocManager::WindowOf(doc) : nullptr;
    if (!window || !window->LogView()) {
        std::fprintf(stderr, "%s did not open\n", path.c_str());
        std::exit(1);
    }
    CQuorvixView& view = *window->LogView();
    WaitUntil([&] { return view.IsLoadDone(); });
    const double seconds = load.Seconds();
    Report(name + ".lines", view.LogList().Model().GetCount(), "lines");
    Report(name + ".file_backed", view.Core().m_lineEntries.FileBacked() ? 1 : 0, "");
    Report(name + ".load.seconds", seconds, "s");
    Report(name + ".load.ratio_dc", seconds / reference, "x");
    Report(name + ".load.target_dc", 1.2, "x");
    // What the load added at its peak (the program's own memory before it not counted),
    // per byte of text; and the whole process's peak.
    Report(name + ".peak_rss_per_text_byte", static_cast<double>(PeakRss() - rssBefore) / textBytes, "x");
    Report(name + ".peak_rss_mb", static_cast<double>(PeakRss()) / 1e6, "MB");
    Report(name + ".peak_rss_per_text_byte.target", fromFile ? 0.15 : 1.15, "x");
    window->CloseWithoutAsking();
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication qapp(argc, argv);
    const BenchOptions options = ParseBenchOptions(argc, argv, 1ull << 30);
    const std::string log = std::filesystem::absolute(PrepareLog(options)).string();
    const std::string dataDir = std::filesystem::absolute(options.dataDir).string();
    const QString settings = QString::fromStdString(dataDir + "/settings");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings);
    QDir::setCurrent(QString::fromStdString(dataDir));
    // The temporary files of the loads beyond the budget go beside the data.
    setenv("XDG_CACHE_HOME", dataDir.c_str(), 1);
    const double textBytes = static_cast<double>(std::filesystem::file_size(log));

    SetPromptHandler([](const PromptRequest&) { return PromptAnswer{IDOK, {}}; });
    auto program = std::make_unique<CQuorvixApp>();
    if (!program->InitInstance({}))
        return 1;

    for (const Format& format : kFormats) {
        const std::string name = std::string("compressed.") + format.name;
        if (!options.Wants(name))
            continue;
        const std::string path = log + "." + format.name;
        if (!std::filesystem::exists(path)) {
            std::fprintf(stderr, "compressing %s ...\n", path.c_str());
            Stopwatch pack;
            const std::string command = std::string(format.tool) + " < " + Quoted(log) + " > " +
                                        Quoted(path + ".part") + " && mv " + Quoted(path + ".part") + " " +
                                        Quoted(path);
            if (std::system(command.c_str()) != 0)
                return 1;
            Report(name + ".compress_seconds", pack.Seconds(), "s");
        }
        const double fileBytes = static_cast<double>(std::filesystem::file_size(path));
        Report(name + ".file_mb", fileBytes / 1e6, "MB");
        Report(name + ".expansion", textBytes / fileBytes, "x");
        const double dc = TimeCommand(std::string(format.decode) + " " + Quoted(path) + " | grep -c x", 1);
        Report("ref." + std::string(format.name) + "_dc_grep_c.seconds", dc, "s");

        // Within the budget (the default, a quarter of memory), the text is kept in memory.
        unsetenv("QUORVIX_TEXT_BUDGET");
        Load(*program, path, name, textBytes, dc, false);
        // With no budget at all it goes to a temporary file from the first line.
        setenv("QUORVIX_TEXT_BUDGET", "0", 1);
        Load(*program, path, name + ".spilled", textBytes, dc, true);
        unsetenv("QUORVIX_TEXT_BUDGET");
    }
    program->ExitInstance();
    return 0;
}
