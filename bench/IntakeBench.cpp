// Reading, classification and intake of a whole log into the line store and the display
// list, on one thread, beside `wc -l` and `grep -c` on the same file.
//
//   build/bench/IntakeBench [--size BYTES] [--file LOG] [--only NAME]
#include <cstdio>
#include <memory>

#include "core/LevelConfig.h"
#include "core/LineFile.h"
#include "core/LineRecord.h"
#include "core/LogViewCore.h"
#include "support/Measure.h"

int main(int argc, char** argv) {
    const BenchOptions options = ParseBenchOptions(argc, argv, 200ull << 20);
    const std::string path = PrepareLog(options);
    if (!LoadLevelConfiguration(options.dataDir + "/quorvix.ini", GlobalLevelTables())) {
        std::fprintf(stderr, "cannot read %s/quorvix.ini\n", options.dataDir.c_str());
        return 1;
    }

    const double wc = TimeCommand("wc -l '" + path + "'");
    const double grep = TimeCommand("grep -c ERROR '" + path + "'");
    Report("ref.wc_l.seconds", wc, "s");
    Report("ref.grep_c.seconds", grep, "s");

    const uint64_t rssBefore = CurrentRss();
    auto core = std::make_unique<CLogViewCore>();
    DisplayList* list = &core->m_logList;
    uint64_t bytes = 0;
    Stopwatch watch;
    {
        CLineFile file(path, CLineFile::modeRead | CLineFile::typeText);
        std::string_view piece;
        auto batch = std::make_unique<LineBatch>(4096, 256 << 10);
        const auto flush = [&] {
            for (LineRecord& record : batch->Records())
                core->OnAddLine(record);
            bytes += batch->StepSum();
            batch->Clear();
        };
        while (file.ReadPiece(piece)) {
            const std::string_view text = piece.ends_with('\n') ? piece.substr(0, piece.size() - 1) : piece;
            if (batch->Full(text.size()))
                flush();
            batch->Add(text, piece.size());
        }
        flush();
        core->OnLoadDone();
    }
    const double seconds = watch.Seconds();
    const uint64_t rssAfter = CurrentRss();
    const double lines = list->GetCount();

    Report("intake.lines", lines, "lines");
    Report("intake.bytes", static_cast<double>(bytes), "B");
    Report("intake.seconds", seconds, "s");
    Report("intake.mb_per_s", static_cast<double>(bytes) / 1e6 / seconds, "MB/s");
    Report("intake.lines_per_s", lines / seconds, "lines/s");
    Report("intake.ratio_wc_l", seconds / wc, "x");
    Report("intake.ratio_grep_c", seconds / grep, "x");
    Report("intake.memory_per_line", static_cast<double>(rssAfter - rssBefore) / lines, "B");
    Report("intake.memory_per_file_byte",
           static_cast<double>(rssAfter - rssBefore) / static_cast<double>(bytes), "x");
    Report("intake.peak_rss", static_cast<double>(PeakRss()) / 1e6, "MB");
    return 0;
}
