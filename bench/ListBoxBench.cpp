// The log list with ten million lines, shown: appending them, jumping to the end, paging
// down a thousand pages with every page painted, selecting a million lines and listing
// them, toggling bookmarks, and a search over the whole list that finds nothing.
//
//   QT_QPA_PLATFORM=offscreen build/bench/ListBoxBench [--items N] [--only NAME]
#include <QApplication>
#include <QKeyEvent>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/Measure.h"
#include "view/LogListBox.h"

namespace {

// A few thousand distinct lines of varied length, some with an alert phrase, reused in
// turn, so that generating text costs nothing in the timed loop while the list still
// copies and keeps every line.
std::vector<std::string> SampleLines() {
    static const char* const words[] = {"gateway", "link",   "frame", "queue",
                                        "worker",  "socket", "timer", "buffer"};
    std::vector<std::string> lines;
    uint32_t state = 12345;
    for (int i = 0; i < 4096; ++i) {
        char stamp[48];
        std::snprintf(stamp, sizeof stamp, "2026-11-03 12:%02d:%02d.%03d ", i / 60 % 60, i % 60, i % 1000);
        std::string line = stamp;
        line += (i % 5 == 0) ? "ERROR " : "INFO ";
        const int count = 4 + static_cast<int>(state % 14);
        for (int w = 0; w < count; ++w) {
            state = state * 1103515245u + 12345u;
            line += words[(state >> 16) % 8];
            line += ' ';
        }
        if (i % 997 == 0)
            line += "Abnormal Link Loss";
        lines.push_back(std::move(line));
    }
    return lines;
}

void Key(QWidget& widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(&widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QApplication::sendEvent(&widget, &release);
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const BenchOptions options = ParseBenchOptions(argc, argv, 0);
    int items = 10'000'000;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--items")
            items = std::atoi(argv[i + 1]);
    }
    QApplication app(argc, argv);
    const auto report = [&](const std::string& name, double value, const std::string& unit) {
        if (options.Wants(name))
            Report(name, value, unit);
    };

    const std::vector<std::string> lines = SampleLines();
    CLogListBox list;
    list.resize(1000, 700);
    list.show();
    while (!list.windowHandle() || !list.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QCoreApplication::processEvents();

    // Appending, the way loading does it: batches of lines with the event loop running
    // between them.
    const uint64_t rssBefore = CurrentRss();
    Stopwatch append;
    for (int i = 0; i < items; ++i) {
        list.AddLineWithData(lines[static_cast<size_t>(i) % lines.size()],
                             g_palette[static_cast<size_t>(i) % 16]);
        if ((i & 0xFFFF) == 0xFFFF)
            QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
    const double appendSeconds = append.Seconds();
    const uint64_t rssAfter = CurrentRss();
    report("listbox.items", items, "items");
    report("listbox.append.seconds", appendSeconds, "s");
    report("listbox.append.ns_per_item", appendSeconds * 1e9 / items, "ns");
    report("listbox.bytes_per_item", static_cast<double>(rssAfter - rssBefore) / items, "B");
    double textBytes = 0;
    for (int i = 0; i < items; ++i)
        textBytes += static_cast<double>(lines[static_cast<size_t>(i) % lines.size()].size());
    report("listbox.text_bytes_per_item", textBytes / items, "B");

    list.setFocus();
    Stopwatch end;
    Key(list, Qt::Key_End);
    QCoreApplication::processEvents();
    report("listbox.key_end.seconds", end.Seconds(), "s");
    report("listbox.rows_below_top_at_end", list.GetCount() - list.GetTopIndex(), "rows");

    // Paging from the top, each page painted before the next key.
    Key(list, Qt::Key_Home);
    QCoreApplication::processEvents();
    const CListBox::PaintStats before = list.Stats();
    const int pages = 1000;
    Stopwatch paging;
    for (int i = 0; i < pages; ++i) {
        Key(list, Qt::Key_PageDown);
        QCoreApplication::processEvents();
    }
    const double pagingSeconds = paging.Seconds();
    const CListBox::PaintStats after = list.Stats();
    const uint64_t paints = after.paints - before.paints;
    report("listbox.page_down.ms_per_page", pagingSeconds * 1e3 / pages, "ms");
    report("listbox.page_down.paints", static_cast<double>(paints), "paints");
    report("listbox.visible_rows", list.VisibleRowCount(), "rows");
    report("listbox.rows_per_paint",
           paints ? static_cast<double>(after.rowsPainted - before.rowsPainted) / static_cast<double>(paints)
                  : 0,
           "rows");

    // A million lines selected in one call, then listed.
    const int selectFirst = items / 3;
    const int selectCount = std::min(1'000'000, items - selectFirst);
    Stopwatch select;
    list.Model().SelItemRange(true, selectFirst, selectFirst + selectCount - 1);
    QCoreApplication::processEvents();
    report("listbox.select_1m.seconds", select.Seconds(), "s");
    Stopwatch listing;
    const std::vector<int> selected = list.Model().GetSelItems();
    report("listbox.get_sel_items_1m.seconds", listing.Seconds(), "s");
    report("listbox.selected", static_cast<double>(selected.size()), "items");

    // A click far from a million selected lines deselects them all.
    Stopwatch click;
    list.Model().SelectOnly(10, 10);
    QCoreApplication::processEvents();
    report("listbox.select_only_after_1m.seconds", click.Seconds(), "s");

    // Bookmark marks flip in place.
    const int toggles = std::min(1'000'000, items);
    Stopwatch toggling;
    for (int i = 0; i < toggles; ++i)
        list.Model().ToggleDataBit(i, BOOKMARK_BIT);
    report("listbox.toggle_bookmark.ns_per_call", toggling.Seconds() * 1e9 / toggles, "ns");

    // A search through every line that finds nothing.
    Stopwatch search;
    const int found = list.FindLine(-1, "zanzibar");
    const double searchSeconds = search.Seconds();
    report("listbox.find_line_miss.seconds", searchSeconds, "s");
    report("listbox.find_line_miss.lines_per_s", items / searchSeconds, "lines/s");
    if (found != -1)
        std::fprintf(stderr, "unexpected match at %d\n", found);

    report("listbox.peak_rss", static_cast<double>(PeakRss()), "B");
    return 0;
}
